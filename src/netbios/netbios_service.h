#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "netbios/browse_list.h"
#include "netbios/browser.h"
#include "netbios/browser_frames.h"
#include "netbios/datagram.h"
#include "netbios/interfaces.h"
#include "netbios/name_packet.h"
#include "netbios/netbios_name.h"
#include "netbios/session_listener.h"

namespace lyr::netbios {

// One process per computer owns UDP 137/138, holds our names and receives; every other process
// of ours is a client: it sends from ephemeral ports and resolves names with its own queries.
enum class ServiceMode { Owner, Client };

// Where the service takes the time of its timers from.
using SteadyClockNow = std::function<std::chrono::steady_clock::time_point()>;

struct ServiceConfig {
    std::string computer_name;  // NetBIOS form: upper-case, at most 15 bytes
    std::string workgroup;
    ServiceMode mode = ServiceMode::Owner;
    uint16_t name_service_port = 137;
    uint16_t datagram_port = 138;
    // Popup messages over the NetBIOS session service (TCP 139); only an owner of the UDP ports
    // that was given a receiver for them listens.
    SessionLimits session;
    std::string scope;
    // A fixed set of interfaces instead of the system's (tests).
    std::optional<std::vector<Ipv4Interface>> interfaces;
    std::chrono::milliseconds registration_interval{250};
    int registration_tries = 3;
    std::chrono::milliseconds query_interval{750};
    int query_tries = 3;
    uint32_t ttl_seconds = 300000;
    // NetBIOS name servers (WINS), tried in this order. With one, this is an H node: our names
    // are registered at the server as well as by broadcast, refreshed there before their time
    // runs out and released there at the end, and names are looked up there before a broadcast.
    // Without, a B node.
    std::vector<uint32_t> name_servers;
    uint16_t name_server_port = 0;  // 0: name_service_port
    std::chrono::milliseconds name_server_interval{1500};
    // Name resolution: how long answers are kept, and how long DNS may take (0: no DNS).
    std::chrono::seconds cache_lifetime{600};
    std::chrono::milliseconds dns_timeout{2000};
    // Room for a burst of datagrams while the service thread hands earlier ones over.
    int datagram_receive_buffer = 16 << 20;
    // Announcing this computer to its workgroup; only an owner of the ports announces. A plain
    // workstation: no file server, no browser server.
    bool announce = true;
    uint32_t server_type = kServerTypeWorkstation | kServerTypeNt;
    std::vector<std::chrono::milliseconds> announcement_intervals = {
        std::chrono::minutes(1), std::chrono::minutes(1), std::chrono::minutes(2),
        std::chrono::minutes(4), std::chrono::minutes(8), std::chrono::minutes(12)};
    std::chrono::milliseconds announcement_answer_delay_max{30000};
    // The time for every timer of the service and its name resolver; empty: the steady clock.
    // Tests move a clock of their own on instead of waiting.
    SteadyClockNow clock;
};

enum class NameState { Registering, Registered, Conflict, Refused };

struct HeldName {
    NetbiosName name;
    bool group = false;
    NameState state = NameState::Registering;
    uint32_t refused_by = 0;  // the owner's address when refused
    // Refused (or taken away) by a name server, which answers for the owner: refused_by is
    // the server's address then.
    bool refused_by_name_server = false;
};

// How the service reaches the network. In Client mode, and in Owner mode when the ports could
// not be had, it still resolves and sends; only Owner with network_owner receives.
struct NetworkStatus {
    bool network_owner = false;
    uint16_t failed_port = 0;  // the port that could not be bound, 0 if none
    int error_number = 0;
    std::string problem;    // why, and what to do, for people; empty when all is well
    bool can_send = false;  // sockets for queries and datagrams, on our ports or others
    // The session service: the TCP port listened on (0: none), and why not, for people.
    uint16_t session_port = 0;
    std::string session_problem;
};

struct QueryAnswer {
    uint32_t address = 0;
    bool group = false;
    std::vector<NodeStatusEntry> names;  // a node status answer: the names the node holds
};

// A mailslot write that reached one of our names: the slot (the part after "\MAILSLOT\") and
// the data, whole. Called on the service thread, in arrival order; it must not block for long.
// Browser frames are not handed over: the service keeps the browse list from them.
using MailslotReceiver = std::function<void(const std::string& slot, std::string data)>;

// The NetBIOS name and datagram services of a B node (an H node with name servers), on one
// thread of its own.
class NetbiosService {
public:
    // Throws std::system_error when the service thread cannot be set up. With a
    // `session_receiver`, an owner of the ports also takes popup messages over TCP sessions.
    NetbiosService(ServiceConfig config, MailslotReceiver receiver = {},
                   SessionMessageReceiver session_receiver = {});
    ~NetbiosService();  // releases our names
    NetbiosService(const NetbiosService&) = delete;
    NetbiosService& operator=(const NetbiosService&) = delete;

    const ServiceConfig& Config() const { return config_; }
    NetworkStatus Status() const { return status_; }
    std::vector<HeldName> Names() const;
    // Waits until no name is Registering any more; false on time-out.
    bool WaitForRegistration(std::chrono::milliseconds timeout) const;
    // How long registering our names takes at most, a name server's wait included.
    std::chrono::milliseconds LongestRegistration() const;

    // Asks each name server in turn, then broadcasts NAME QUERY REQUESTs (config's tries and
    // intervals); the first positive answer. A server that does not know the name passes the
    // question on at once. Nothing at once when there is no server and no interface carries
    // broadcasts.
    std::optional<QueryAnswer> QueryName(const NetbiosName& name);

    // Asks the node at `address` which names it holds (NODE STATUS REQUEST, config's tries and
    // interval); nothing when it does not answer.
    std::optional<QueryAnswer> QueryNodeStatus(uint32_t address);

    // Sends a datagram from our COMPUTER<00> to `address`, or to the broadcast address of every
    // interface when `address` is nothing. False when not one copy went out.
    bool SendDatagram(DatagramType type, const NetbiosName& destination,
                      std::optional<uint32_t> address, std::string_view user_data);

    // The service's time (the configured clock).
    std::chrono::steady_clock::time_point Now() const;
    // Has the service look at its timers again at once: its clock was moved on (tests).
    void TimeMoved();

    // Packets the service thread let go because a socket's send buffer was full: it answers
    // and defends our names, and does not wait for room.
    uint64_t DroppedSends() const { return dropped_sends_; }

    std::shared_ptr<const std::vector<Ipv4Interface>> Interfaces() const;
    bool IsOwnAddress(uint32_t address) const;

    // The network neighbourhood as the browser announcements heard so far tell it, for the
    // service's life. Only an owner of the ports hears them; any other service lists just this
    // computer and its workgroup.
    const BrowseList& Neighbourhood() const { return browse_list_; }
    // Asks every computer of our workgroup to announce itself; they answer within their random
    // delay (up to 30 s). False when the request could not go out or no answer could reach us.
    bool RequestAnnouncements();

private:
    using Clock = std::chrono::steady_clock;
    struct Socket;
    struct PendingQuery;
    // A name being registered by broadcast.
    struct Registration {
        size_t name_index = 0;
        uint16_t transaction_id = 0;
        int tries_sent = 0;
        Clock::time_point next_try;
    };
    // A name at the name servers: registered at the first that answers, then refreshed there.
    struct ServerRegistration {
        enum class Step { Registering, Held, Silent, Refused, Dropped };
        size_t name_index = 0;
        Step step = Step::Registering;
        size_t server = 0;  // index into the configured servers
        uint16_t transaction_id = 0;
        int tries_sent = 0;
        Clock::time_point next_try;  // the next try, or while held the next refresh
        std::chrono::seconds ttl{0};
    };

    std::optional<QueryAnswer> Ask(std::shared_ptr<PendingQuery> query);
    void OpenSockets();
    void Run();
    void ReceiveNamePackets();
    void ReceiveDatagrams();
    void HandleNamePacket(const NamePacket& packet, uint32_t source, uint16_t source_port,
                          uint32_t local_address);
    void HandleRequest(const NamePacket& packet, uint32_t source, uint16_t source_port,
                       uint32_t local_address);
    void HandleResponse(const NamePacket& packet, uint32_t source);
    void HandleDatagram(const Datagram& datagram, uint32_t source, uint16_t source_port);
    Clock::time_point RunBrowserTimers(Clock::time_point now);
    Clock::time_point RunTimers();
    void SendRegistrationRound(Registration& registration);
    Clock::time_point RunServerTimers(Clock::time_point now);
    void SendToServer(ServerRegistration& registration);
    bool HandleServerResponse(const NamePacket& packet, uint32_t source);
    // Decides a name's state once its broadcast and server registrations have ended.
    void Settle(size_t name_index);
    void ReleaseNames();
    void ReleaseAtNameServers();
    uint16_t NameServerPort() const;
    uint16_t NodeType() const { return config_.name_servers.empty() ? 0 : kNodeTypeHybrid; }
    bool AnyBroadcastInterface() const;
    void SendNamePacket(const NamePacket& packet, uint32_t address, uint16_t port);
    bool Send(int fd, std::string_view bytes, uint32_t address, uint16_t port);
    void BroadcastNamePacket(const std::function<NamePacket(uint32_t own_address)>& make);
    void Wake();
    uint16_t NextTransactionId();
    // A name we answer for; datagrams are taken for names still being registered as well.
    bool HoldsActive(const NetbiosName& name, bool* group = nullptr,
                     bool or_registering = false) const;
    NodeStatus OurNodeStatus() const;

    const ServiceConfig config_;
    const MailslotReceiver receiver_;
    NetworkStatus status_;
    BrowseList browse_list_;  // locks itself
    int name_socket_ = -1;
    int datagram_socket_ = -1;
    int wake_fd_ = -1;
    std::atomic<uint16_t> next_datagram_id_;
    std::atomic<uint16_t> next_transaction_id_;
    std::atomic<uint64_t> dropped_sends_{0};

    mutable std::mutex mutex_;  // guards what follows
    mutable std::condition_variable names_changed_;
    std::vector<HeldName> names_;
    std::vector<std::shared_ptr<PendingQuery>> new_queries_;
    bool stopping_ = false;

    // Service thread only.
    std::vector<std::shared_ptr<PendingQuery>> queries_;
    std::vector<Registration> registrations_;
    std::string receive_buffer_;  // room for the largest packet, kept between wake-ups
    std::vector<ServerRegistration> server_registrations_;  // one per name, with name servers
    std::unique_ptr<Browser> browser_;                      // an owner of the ports only
    bool announcing_settled_ = false;  // whether to announce was decided, after registration

    mutable std::mutex interfaces_mutex_;
    mutable std::shared_ptr<const std::vector<Ipv4Interface>> cached_interfaces_;
    mutable std::chrono::steady_clock::time_point interfaces_expire_{};

    std::thread thread_;
    std::unique_ptr<SessionListener> session_listener_;  // asks HoldsActive: goes first
};

}  // namespace lyr::netbios
