// SPDX-License-Identifier: GPL-3.0-or-later
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

#include "base/unique_fd.h"
#include "netbios/browse_list.h"
#include "netbios/browser.h"
#include "netbios/browser_frames.h"
#include "netbios/datagram.h"
#include "netbios/interfaces.h"
#include "netbios/name_packet.h"
#include "netbios/netbios_name.h"
#include "netbios/port_holder.h"
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
    // Where an owner keeps its browse list between runs (kept_browse_list.h): read at the start,
    // written when it changed (at most once every keep_interval) and at the end. Empty: not kept.
    std::function<std::optional<std::string>()> read_kept_browse_list;
    std::function<void(const std::string& text)> keep_browse_list;
    std::chrono::milliseconds keep_interval{60000};
    // The time for every timer of the service and its name resolver; empty: the steady clock.
    // Tests move a clock of their own on instead of waiting.
    SteadyClockNow clock;
    // While this computer cannot receive (an owner without its ports, a unique name of ours
    // refused or in conflict) the ports are tried, or the names registered, again this often.
    std::chrono::milliseconds retry_interval{30000};
    // Where lines for whoever looks after the program go: packets ignored, names refused, ports
    // taken over. Empty: nowhere. Called on the service thread.
    std::function<void(const std::string& line)> log;
};

enum class NameState { Registering, Registered, Conflict, Refused };

struct HeldName {
    NetbiosName name;
    bool group = false;
    NameState state = NameState::Registering;
    // The owner's address when refused; kept while a refused name is registered again.
    uint32_t refused_by = 0;
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
// the data, whole.
struct ArrivedMailslotWrite {
    std::string slot;
    std::string data;
};
// Takes the writes that arrived together, in arrival order: a burst is handed over in a few
// calls, not one per datagram. Called on the service thread; it must not block for long.
// Browser frames are not handed over: the service keeps the browse list from them.
using MailslotWriteReceiver = std::function<void(std::vector<ArrivedMailslotWrite> writes)>;

// The NetBIOS name and datagram services of a B node (an H node with name servers), on one
// thread of its own.
class NetbiosService {
public:
    // Throws std::system_error when the service thread cannot be set up. With a
    // `session_receiver`, an owner of the ports also takes popup messages over TCP sessions.
    NetbiosService(ServiceConfig config, MailslotWriteReceiver receiver = {},
                   SessionMessageReceiver session_receiver = {});
    ~NetbiosService();  // releases our names
    NetbiosService(const NetbiosService&) = delete;
    NetbiosService& operator=(const NetbiosService&) = delete;

    const ServiceConfig& Config() const { return config_; }
    NetworkStatus Status() const;
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

    // Called on the service thread, without waiting, after anything ReceivingProblem() words
    // may have changed: the ports were taken over, or a name of ours was registered, refused or
    // registered again. Replaces the listener before; it must not block for long.
    void SetStatusListener(std::function<void()> listener);
    // Why this computer does not receive from the network now, as one Russian sentence (UTF-8)
    // naming the cause: "Порт UDP 137 занят программой nmbd (пользователь root)", "Имя PC1<03>
    // отвергнуто компьютером 10.0.0.5", "Имя PC1<03> в конфликте с 10.0.0.5". Empty when it
    // receives, and for a client, which leaves receiving to the owner of the ports.
    std::string ReceivingProblem() const;

    // Mailslot writes and session messages from the network refused as longer than any real
    // peer sends, and datagrams the kernel dropped before we could read them (its buffer was
    // full); each is said once in the log when it begins and in sum when the service ends.
    uint64_t RefusedLargeWrites() const { return refused_large_; }
    uint64_t RefusedLargeSessionMessages() const { return refused_session_; }
    uint64_t KernelDroppedDatagrams() const { return kernel_drops_; }

    std::shared_ptr<const std::vector<Ipv4Interface>> Interfaces() const;
    bool IsOwnAddress(uint32_t address) const;

    // The network neighbourhood as the browser announcements heard so far tell it, for the
    // service's life. Only an owner of the ports hears them; any other service lists just this
    // computer and its workgroup.
    const BrowseList& Neighbourhood() const { return browse_list_; }
    // Asks every computer of our workgroup to announce itself; they answer within their random
    // delay (up to 30 s). False when the request could not go out or no answer could reach us.
    bool RequestAnnouncements();
    // Asks our workgroup's local master browser (WORKGROUP<1D>) which servers hold the
    // workgroup's list, and waits up to `timeout` for its answer: who answered, and the names
    // it gave. Nothing without an answer, or when no answer could reach us.
    struct BackupList {
        uint32_t master_address = 0;
        std::string master_name;
        std::vector<std::string> servers;
    };
    std::optional<BackupList> AskForBackupList(std::chrono::milliseconds timeout);
    // Asks the browser servers for the neighbourhood, as Windows does, within `timeout`: with a
    // name server, that server first (the domain master browser, which knows every subnet);
    // else, or when it does not answer, a server our local master browser names. Their lists of
    // our workgroup's computers and of the workgroups go into the browse list. False when no
    // browser answered.
    bool ListFromBrowsers(std::chrono::milliseconds timeout);
    // Takes what a browser server listed into the browse list, as if each had announced itself
    // with the longest period: `computers` of `workgroup`, and `workgroups`.
    void TakeBrowserListing(const std::string& workgroup,
                            const std::vector<BrowseComputer>& computers,
                            const std::vector<std::string>& workgroups);

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
    void NotePortProblem(uint16_t port, int error);
    // What only the owner of the ports does: hold our names, announce, take sessions.
    void StartOwnerDuties();
    // Retries what keeps this computer from receiving, every config's retry_interval.
    Clock::time_point RunRecovery(Clock::time_point now);
    void TakeOverPorts();
    void RegisterRefusedNamesAgain(Clock::time_point now);
    // Wakes the waiters for registration and tells the status listener.
    void StatusChanged();
    void Log(const std::string& line) const;
    // For packets that were ignored: a few lines a minute, the rest counted.
    void LogIgnored(const std::string& line);
    void Run();
    void ReceiveNamePackets();
    void ReceiveDatagrams();
    void HandleNamePacket(const NamePacket& packet, uint32_t source, uint16_t source_port,
                          uint32_t local_address);
    void HandleRequest(const NamePacket& packet, uint32_t source, uint16_t source_port,
                       uint32_t local_address);
    void HandleResponse(const NamePacket& packet, uint32_t source);
    void HandleDatagram(const Datagram& datagram, uint32_t source, uint16_t source_port);
    void NoteKernelDrops(uint32_t socket_count);
    void NoteRefusedSessionMessage(uint32_t source, size_t length);
    Clock::time_point RunBrowserTimers(Clock::time_point now);
    void RestoreKeptBrowseList();
    // Writes the browse list when it changed since last written.
    void KeepBrowseList();
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
    const MailslotWriteReceiver receiver_;
    const SessionMessageReceiver session_receiver_;
    NetworkStatus status_;    // changed on the service thread under mutex_ once it runs
    BrowseList browse_list_;  // locks itself
    UniqueFd name_socket_;
    UniqueFd datagram_socket_;
    UniqueFd wake_fd_;
    std::atomic<uint16_t> next_datagram_id_;
    std::atomic<uint16_t> next_transaction_id_;
    std::atomic<uint64_t> refused_large_{0};
    std::atomic<uint64_t> refused_session_{0};
    std::atomic<uint64_t> kernel_drops_{0};
    uint32_t kernel_drops_of_socket_ = 0;  // service thread only

    mutable std::mutex mutex_;  // guards what follows
    mutable std::condition_variable names_changed_;
    std::vector<HeldName> names_;
    std::optional<PortHolder> port_holder_;  // who holds the port status_ names
    std::vector<std::shared_ptr<PendingQuery>> new_queries_;
    bool stopping_ = false;

    std::mutex backup_list_mutex_;  // guards what follows
    std::condition_variable backup_list_arrived_;
    uint32_t backup_list_token_ = 0;
    std::optional<BackupList> backup_list_;

    mutable std::mutex listener_mutex_;
    std::function<void()> status_listener_;

    // Service thread only.
    std::vector<std::shared_ptr<PendingQuery>> queries_;
    std::vector<Registration> registrations_;
    struct ReceiveBatch;
    std::unique_ptr<ReceiveBatch> receive_batch_;
    std::vector<ArrivedMailslotWrite> arrived_;  // of the batch being read, for receiver_
    std::vector<ServerRegistration> server_registrations_;  // one per name, with name servers
    std::unique_ptr<Browser> browser_;                      // an owner of the ports only
    bool announcing_settled_ = false;  // whether to announce was decided, after registration
    uint64_t kept_generation_ = 0;     // of the browse list last written
    Clock::time_point next_keep_{};
    Clock::time_point next_recovery_{};  // none while nothing needs recovering
    Clock::time_point ignored_window_end_{};
    int ignored_logged_ = 0;
    int ignored_unlogged_ = 0;

    mutable std::mutex interfaces_mutex_;
    mutable std::shared_ptr<const std::vector<Ipv4Interface>> cached_interfaces_;
    mutable std::chrono::steady_clock::time_point interfaces_expire_{};

    std::thread thread_;
    // Made by the owner of the ports, on the service thread when it takes them over later; asks
    // HoldsActive: goes first.
    std::unique_ptr<SessionListener> session_listener_;
};

}  // namespace lyr::netbios
