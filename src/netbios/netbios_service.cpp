// SPDX-License-Identifier: GPL-3.0-or-later
#include "netbios/netbios_service.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <future>
#include <memory>
#include <random>
#include <system_error>

#include "netbios/kept_browse_list.h"
#include "netbios/mailslot_write.h"
#include "netbios/port_holder.h"

namespace lyr::netbios {
namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t kMaxPacket = 65536;
// Datagrams handled per wake-up before the name service gets its turn again.
constexpr size_t kDatagramBatch = 256;
constexpr auto kInterfacesLifetime = std::chrono::seconds(2);
// How long the end waits for a name server to take back our names, per try.
constexpr auto kReleaseWait = std::chrono::milliseconds(250);
constexpr int kReleaseTries = 2;
// A flood of forged name packets must not flood the log: so many lines a minute, then a count.
constexpr int kIgnoredLinesPerMinute = 10;
// The longest mailslot write taken from the network. A messenger datagram is two names and at
// most 400 characters, and one RFC 1002 datagram carries 512 bytes with the SMB header: no real
// peer writes more than about 450 bytes. Twice that with margin; anything larger is a flood or a
// forgery and would only cost memory and the UI thread's time.
constexpr size_t kLongestNetworkMailslotData = 1024;

sockaddr_in SocketAddress(uint32_t address, uint16_t port) {
    sockaddr_in result{};
    result.sin_family = AF_INET;
    result.sin_addr.s_addr = htonl(address);
    result.sin_port = htons(port);
    return result;
}

// Owner's sockets, or the port that could not be had and why.
struct OwnerPorts {
    int name_socket = -1;
    int datagram_socket = -1;
    uint16_t failed_port = 0;
    int error = 0;
};

std::string BindProblem(uint16_t port, int error) {
    return PortBindProblem(
        false, port, error,
        ", so messages from other computers cannot reach this one; messages on this computer and "
        "messages to other computers still work.",
        "another program (perhaps Samba's nmbd, or another copy of the messenger)",
        "Stop that program (for Samba: sudo systemctl stop nmbd): the ports are taken over "
        "once they are free.");
}

// A UDP socket bound to 0.0.0.0:port (0 = any free port), non-blocking, able to broadcast and
// to tell on which local address a packet arrived. -1 and errno on failure.
int OpenUdpSocket(uint16_t port, int receive_buffer) {
    int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return -1;
    }
    int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    ::setsockopt(fd, IPPROTO_IP, IP_PKTINFO, &on, sizeof on);
    // Every datagram read then says how many the kernel dropped for want of buffer room.
    ::setsockopt(fd, SOL_SOCKET, SO_RXQ_OVFL, &on, sizeof on);
    if (receive_buffer > 0) {
        // Beyond net.core.rmem_max only with CAP_NET_ADMIN; the plain call gets what it may.
        if (::setsockopt(fd, SOL_SOCKET, SO_RCVBUFFORCE, &receive_buffer, sizeof receive_buffer) !=
            0) {
            ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receive_buffer, sizeof receive_buffer);
        }
    }
    sockaddr_in address = SocketAddress(INADDR_ANY, port);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

OwnerPorts BindOwnerPorts(const ServiceConfig& config) {
    OwnerPorts ports;
    ports.name_socket = OpenUdpSocket(config.name_service_port, 0);
    if (ports.name_socket < 0) {
        ports.failed_port = config.name_service_port;
        ports.error = errno;
        return ports;
    }
    ports.datagram_socket = OpenUdpSocket(config.datagram_port, config.datagram_receive_buffer);
    if (ports.datagram_socket < 0) {
        ports.failed_port = config.datagram_port;
        ports.error = errno;
        ::close(ports.name_socket);
        ports.name_socket = -1;
    }
    return ports;
}

// Puts `fresh` in the place of `kept`: the number stays, so that senders on other threads go
// on with it unawares.
void Adopt(int fresh, int& kept) {
    if (kept < 0) {
        kept = fresh;
        return;
    }
    ::dup2(fresh, kept);
    ::close(fresh);
}

std::string RussianPortProblem(const NetworkStatus& status,
                               const std::optional<PortHolder>& holder) {
    if (status.failed_port == 0) {
        return "Сокет UDP не открывается: сообщения доходят только внутри этого компьютера";
    }
    std::string port = "Порт UDP " + std::to_string(status.failed_port);
    switch (status.error_number) {
        case EADDRINUSE:
            return port + " занят " +
                   (holder ? DescribePortHolderRu(*holder) : "другой программой");
        case EACCES:
            return port +
                   " доступен только администратору или программе с правом "
                   "CAP_NET_BIND_SERVICE";
        default:
            return port + " не открывается (ошибка " + std::to_string(status.error_number) + ")";
    }
}

std::string RussianNameProblem(const HeldName& held) {
    std::string name = "Имя " + held.name.ToString();
    std::string by = FormatAddress(held.refused_by);
    if (held.state == NameState::Conflict) {
        return name + " в конфликте с " + by;
    }
    return name +
           (held.refused_by_name_server ? " отвергнуто сервером имён "
                                        : " отвергнуто компьютером ") +
           by;
}

// Packets read per call: a burst costs one system call per this many.
constexpr size_t kReceiveBatch = 16;

struct Received {
    std::string_view bytes;  // valid until the next read of the batch
    uint32_t source = 0;
    uint16_t source_port = 0;
    uint32_t local_address = 0;  // the address the packet was sent to us by, from IP_PKTINFO
    // The socket's count of datagrams the kernel dropped so far, from SO_RXQ_OVFL (sent only
    // once it is not zero).
    std::optional<uint32_t> kernel_drops;
};

struct alignas(cmsghdr) PacketControl {
    char bytes[CMSG_SPACE(sizeof(in_pktinfo)) + CMSG_SPACE(sizeof(uint32_t))];
};

}  // namespace

// Room for a batch of packets of the largest size, kept between wake-ups. Left uninitialised:
// only the pages the kernel writes to are ever touched.
struct NetbiosService::ReceiveBatch {
    std::unique_ptr<char[]> room =
        std::make_unique_for_overwrite<char[]>(kReceiveBatch * kMaxPacket);
    std::array<sockaddr_in, kReceiveBatch> from{};
    std::array<iovec, kReceiveBatch> vectors{};
    std::array<PacketControl, kReceiveBatch> controls{};
    std::array<mmsghdr, kReceiveBatch> headers{};

    // Reads what waits now, at most a batch; 0 when nothing does.
    size_t Read(int fd) {
        for (size_t i = 0; i < kReceiveBatch; ++i) {
            vectors[i] = {room.get() + i * kMaxPacket, kMaxPacket};
            msghdr& message = headers[i].msg_hdr;
            message = {};
            message.msg_name = &from[i];
            message.msg_namelen = sizeof from[i];
            message.msg_iov = &vectors[i];
            message.msg_iovlen = 1;
            message.msg_control = controls[i].bytes;
            message.msg_controllen = sizeof controls[i].bytes;
        }
        int count;
        do {
            count = ::recvmmsg(fd, headers.data(), kReceiveBatch, 0, nullptr);
        } while (count < 0 && errno == EINTR);
        return count < 0 ? 0 : static_cast<size_t>(count);
    }

    Received operator[](size_t i) {
        Received result;
        result.bytes = std::string_view(room.get() + i * kMaxPacket, headers[i].msg_len);
        result.source = ntohl(from[i].sin_addr.s_addr);
        result.source_port = ntohs(from[i].sin_port);
        msghdr* message = &headers[i].msg_hdr;
        for (cmsghdr* header = CMSG_FIRSTHDR(message); header;
             header = CMSG_NXTHDR(message, header)) {
            if (header->cmsg_level == IPPROTO_IP && header->cmsg_type == IP_PKTINFO) {
                in_pktinfo info;
                std::memcpy(&info, CMSG_DATA(header), sizeof info);
                result.local_address = ntohl(info.ipi_spec_dst.s_addr);
            } else if (header->cmsg_level == SOL_SOCKET && header->cmsg_type == SO_RXQ_OVFL) {
                uint32_t drops;
                std::memcpy(&drops, CMSG_DATA(header), sizeof drops);
                result.kernel_drops = drops;
            }
        }
        return result;
    }
};

namespace {

// Whether this thread is the thread of a service: it answers and defends names, and must never
// wait for room in a send buffer.
thread_local bool t_on_service_thread = false;

enum class SendResult { Sent, Full, Failed };

SendResult SendTo(int fd, std::string_view bytes, uint32_t address, uint16_t port) {
    sockaddr_in target = SocketAddress(address, port);
    ssize_t sent;
    do {
        sent = ::sendto(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL,
                        reinterpret_cast<sockaddr*>(&target), sizeof target);
    } while (sent < 0 && errno == EINTR);
    if (sent < 0 && (errno == EAGAIN || errno == ENOBUFS)) {
        if (t_on_service_thread) {
            return SendResult::Full;
        }
        // The send buffer is full during a burst: a sender of ours waits for room rather than
        // lose the datagram; the service thread drops it (the caller counts it).
        pollfd entry{fd, POLLOUT, 0};
        if (::poll(&entry, 1, 1000) == 1) {
            sent = ::sendto(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL,
                            reinterpret_cast<sockaddr*>(&target), sizeof target);
        }
    }
    return sent == static_cast<ssize_t>(bytes.size()) ? SendResult::Sent : SendResult::Failed;
}

}  // namespace

struct NetbiosService::PendingQuery {
    NetbiosName name;
    std::optional<uint32_t> node_status_of;  // a node status request to this address
    size_t step = 0;  // the name server asked now; past the last one: broadcasts
    uint16_t transaction_id = 0;
    int tries_sent = 0;
    Clock::time_point next_try;
    std::promise<std::optional<QueryAnswer>> answer;
};

NetbiosService::NetbiosService(ServiceConfig config, MailslotReceiver receiver,
                               SessionMessageReceiver session_receiver)
    : config_(std::move(config)),
      receiver_(std::move(receiver)),
      session_receiver_(std::move(session_receiver)),
      browse_list_(config_.computer_name, config_.workgroup, config_.server_type,
                   [this](std::string_view line) { Log(std::string(line)); }),
      receive_batch_(std::make_unique<ReceiveBatch>()) {
    std::random_device random;
    next_datagram_id_ = static_cast<uint16_t>(random());
    next_transaction_id_ = static_cast<uint16_t>(random());
    // Without it the thread could never be told to stop.
    wake_fd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wake_fd_ < 0) {
        throw std::system_error(errno, std::system_category(),
                                "NetBIOS service: no eventfd to wake its thread with");
    }
    OpenSockets();
    RestoreKeptBrowseList();
    if (status_.network_owner) {
        StartOwnerDuties();
    }
    thread_ = std::thread([this] { Run(); });
}

NetbiosService::~NetbiosService() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    Wake();
    thread_.join();
    KeepBrowseList();
    if (refused_large_ > 0 || refused_session_ > 0 || kernel_drops_ > 0) {
        Log(std::to_string(refused_large_) + " mailslot writes longer than " +
            std::to_string(kLongestNetworkMailslotData) + " bytes and " +
            std::to_string(refused_session_) + " session messages longer than " +
            std::to_string(kMaxSessionMessageText) + " bytes were refused, and " +
            std::to_string(kernel_drops_) +
            " datagrams were dropped by the kernel for want of room in the socket's buffer");
    }
    // The service thread may have made it.
    session_listener_.reset();
    for (int fd : {name_socket_, datagram_socket_, wake_fd_}) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
}

void NetbiosService::OpenSockets() {
    if (config_.mode == ServiceMode::Owner) {
        auto ports = BindOwnerPorts(config_);
        if (ports.failed_port == 0) {
            name_socket_ = ports.name_socket;
            datagram_socket_ = ports.datagram_socket;
            status_.network_owner = true;
            status_.can_send = true;
            return;
        }
        NotePortProblem(ports.failed_port, ports.error);
    }
    // A client, or an owner without its ports: resolve and send from ports of our own.
    name_socket_ = OpenUdpSocket(0, 0);
    datagram_socket_ = OpenUdpSocket(0, 0);
    status_.can_send = name_socket_ >= 0 && datagram_socket_ >= 0;
    if (!status_.can_send && status_.problem.empty()) {
        status_.error_number = errno;
        status_.problem = std::string("No UDP socket can be opened (") + std::strerror(errno) +
                          "): messages can reach only this computer.";
    }
}

void NetbiosService::NotePortProblem(uint16_t port, int error) {
    // Looked up before the lock: the holder is found by a walk through /proc.
    auto holder = error == EADDRINUSE ? FindUdpPortHolder(port) : std::nullopt;
    std::string problem = BindProblem(port, error);
    std::lock_guard lock(mutex_);
    status_.failed_port = port;
    status_.error_number = error;
    status_.problem = std::move(problem);
    port_holder_ = std::move(holder);
}

void NetbiosService::StartOwnerDuties() {
    auto now = Now();
    size_t count = 0;
    {
        std::lock_guard lock(mutex_);
        names_.push_back({NetbiosName::Make(config_.computer_name, kWorkstationSuffix), false});
        names_.push_back({NetbiosName::Make(config_.computer_name, kMessengerSuffix), false});
        names_.push_back({NetbiosName::Make(config_.workgroup, kWorkstationSuffix), true});
        count = names_.size();
    }
    for (size_t i = 0; i < count; ++i) {
        registrations_.push_back({i, NextTransactionId(), 0, now});
        if (!config_.name_servers.empty()) {
            ServerRegistration at_server;
            at_server.name_index = i;
            at_server.transaction_id = NextTransactionId();
            at_server.next_try = now;
            server_registrations_.push_back(at_server);
        }
    }
    AnnouncerSettings announcer{config_.computer_name, config_.workgroup, config_.server_type,
                                config_.announcement_intervals,
                                config_.announcement_answer_delay_max};
    browser_ = std::make_unique<Browser>(
        std::move(announcer), browse_list_,
        [this](const NetbiosName& destination, std::string_view smb) {
            return SendDatagram(DatagramType::DirectGroup, destination, std::nullopt, smb);
        },
        [engine = std::mt19937(std::random_device()())](std::chrono::milliseconds max) mutable {
            return std::chrono::milliseconds(
                std::uniform_int_distribution<long long>(0, max.count())(engine));
        });
    if (session_receiver_) {
        SessionConversation::Settings settings{
            config_.computer_name, config_.scope,
            [this](const NetbiosName& name) { return HoldsActive(name, nullptr, true); }};
        session_listener_ = std::make_unique<SessionListener>(
            config_.session, std::move(settings), session_receiver_,
            [this](uint32_t source, size_t length) { NoteRefusedSessionMessage(source, length); });
        std::lock_guard lock(mutex_);
        status_.session_port = session_listener_->Listening() ? session_listener_->Port() : 0;
        status_.session_problem = session_listener_->Problem();
    }
}

NetworkStatus NetbiosService::Status() const {
    std::lock_guard lock(mutex_);
    return status_;
}

void NetbiosService::SetStatusListener(std::function<void()> listener) {
    std::lock_guard lock(listener_mutex_);
    status_listener_ = std::move(listener);
}

void NetbiosService::StatusChanged() {
    names_changed_.notify_all();
    std::function<void()> listener;
    {
        std::lock_guard lock(listener_mutex_);
        listener = status_listener_;
    }
    if (listener) {
        listener();
    }
}

std::string NetbiosService::ReceivingProblem() const {
    if (config_.mode == ServiceMode::Client) {
        return {};
    }
    std::lock_guard lock(mutex_);
    if (!status_.network_owner) {
        return RussianPortProblem(status_, port_holder_);
    }
    for (const auto& held : names_) {
        // A group name is never refused: its messages reach every member.
        bool refused = held.state == NameState::Refused || held.state == NameState::Conflict ||
                       (held.state == NameState::Registering && held.refused_by != 0);
        if (refused && !held.group) {
            return RussianNameProblem(held);
        }
    }
    return {};
}

void NetbiosService::Log(const std::string& line) const {
    if (config_.log) {
        config_.log(line);
    }
}

void NetbiosService::LogIgnored(const std::string& line) {
    auto now = Now();
    if (now >= ignored_window_end_) {
        if (ignored_unlogged_ > 0) {
            Log("ignored " + std::to_string(ignored_unlogged_) +
                " more name packets without a line each");
        }
        ignored_window_end_ = now + std::chrono::minutes(1);
        ignored_logged_ = 0;
        ignored_unlogged_ = 0;
    }
    if (ignored_logged_ < kIgnoredLinesPerMinute) {
        ++ignored_logged_;
        Log(line);
    } else {
        ++ignored_unlogged_;
    }
}

Clock::time_point NetbiosService::RunRecovery(Clock::time_point now) {
    bool ports_held = config_.mode == ServiceMode::Owner && !status_.network_owner;
    bool names_refused = false;
    {
        std::lock_guard lock(mutex_);
        names_refused = std::any_of(names_.begin(), names_.end(), [](const HeldName& held) {
            return !held.group &&
                   (held.state == NameState::Refused || held.state == NameState::Conflict);
        });
    }
    if (!ports_held && !names_refused) {
        next_recovery_ = {};
        return Clock::time_point::max();
    }
    auto interval =
        std::max<std::chrono::milliseconds>(config_.retry_interval, std::chrono::milliseconds(100));
    if (next_recovery_ == Clock::time_point{}) {
        next_recovery_ = now + interval;
    }
    if (now < next_recovery_) {
        return next_recovery_;
    }
    next_recovery_ = now + interval;
    if (ports_held) {
        TakeOverPorts();
    } else {
        RegisterRefusedNamesAgain(now);
    }
    return next_recovery_;
}

void NetbiosService::TakeOverPorts() {
    auto ports = BindOwnerPorts(config_);
    if (ports.failed_port != 0) {
        // Another holder, perhaps: the status names whoever holds the port now.
        auto before = Status();
        NotePortProblem(ports.failed_port, ports.error);
        if (Status().problem != before.problem) {
            StatusChanged();
        }
        return;
    }
    Adopt(ports.name_socket, name_socket_);
    Adopt(ports.datagram_socket, datagram_socket_);
    {
        std::lock_guard lock(mutex_);
        status_.network_owner = true;
        status_.can_send = true;
        status_.failed_port = 0;
        status_.error_number = 0;
        status_.problem.clear();
        port_holder_.reset();
    }
    Log("UDP ports " + std::to_string(config_.name_service_port) + " and " +
        std::to_string(config_.datagram_port) +
        " are free now and taken over: this computer receives from the network");
    StartOwnerDuties();
    StatusChanged();
}

void NetbiosService::RegisterRefusedNamesAgain(Clock::time_point now) {
    std::unique_lock lock(mutex_);
    for (size_t i = 0; i < names_.size(); ++i) {
        HeldName& held = names_[i];
        if (held.group || (held.state != NameState::Refused && held.state != NameState::Conflict)) {
            continue;
        }
        Log("registering " + held.name.ToString() + " again, refused by " +
            FormatAddress(held.refused_by) + " before");
        held.state = NameState::Registering;
        registrations_.push_back({i, NextTransactionId(), 0, now});
        if (i < server_registrations_.size()) {
            ServerRegistration& at_server = server_registrations_[i];
            at_server.step = ServerRegistration::Step::Registering;
            at_server.server = 0;
            at_server.transaction_id = NextTransactionId();
            at_server.tries_sent = 0;
            at_server.next_try = now;
        }
    }
    // Announcing waits until the computer's name is ours again.
    announcing_settled_ = false;
    lock.unlock();
    StatusChanged();
}

std::vector<HeldName> NetbiosService::Names() const {
    std::lock_guard lock(mutex_);
    return names_;
}

bool NetbiosService::WaitForRegistration(std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return names_changed_.wait_for(lock, timeout, [this] {
        return std::none_of(names_.begin(), names_.end(), [](const HeldName& name) {
            return name.state == NameState::Registering;
        });
    });
}

std::shared_ptr<const std::vector<Ipv4Interface>> NetbiosService::Interfaces() const {
    // Addresses change seldom, and a burst must not ask the kernel for them, nor copy them, per
    // datagram.
    std::lock_guard lock(interfaces_mutex_);
    auto now = Now();
    if (!cached_interfaces_ || (!config_.interfaces && now >= interfaces_expire_)) {
        cached_interfaces_ = std::make_shared<const std::vector<Ipv4Interface>>(
            config_.interfaces ? *config_.interfaces : ListIpv4Interfaces());
        interfaces_expire_ = now + kInterfacesLifetime;
    }
    return cached_interfaces_;
}

bool NetbiosService::IsOwnAddress(uint32_t address) const {
    for (const auto& interface : *Interfaces()) {
        if (interface.address == address) {
            return true;
        }
    }
    return false;
}

Clock::time_point NetbiosService::Now() const {
    return config_.clock ? config_.clock() : Clock::now();
}

void NetbiosService::TimeMoved() {
    Wake();
}

uint16_t NetbiosService::NextTransactionId() {
    return next_transaction_id_++;
}

void NetbiosService::Wake() {
    uint64_t one = 1;
    if (wake_fd_ >= 0) {
        [[maybe_unused]] ssize_t written = ::write(wake_fd_, &one, sizeof one);
    }
}

bool NetbiosService::AnyBroadcastInterface() const {
    auto interfaces = Interfaces();
    return std::any_of(interfaces->begin(), interfaces->end(),
                       [](const auto& interface) { return interface.CarriesBroadcasts(); });
}

uint16_t NetbiosService::NameServerPort() const {
    return config_.name_server_port ? config_.name_server_port : config_.name_service_port;
}

std::optional<QueryAnswer> NetbiosService::QueryName(const NetbiosName& name) {
    // Without a server or an interface that carries broadcasts nobody could hear the query.
    if (name_socket_ < 0 || (config_.name_servers.empty() && !AnyBroadcastInterface())) {
        return std::nullopt;
    }
    auto query = std::make_shared<PendingQuery>();
    query->name = name;
    return Ask(std::move(query));
}

std::optional<QueryAnswer> NetbiosService::QueryNodeStatus(uint32_t address) {
    if (name_socket_ < 0) {
        return std::nullopt;
    }
    auto query = std::make_shared<PendingQuery>();
    query->name = NetbiosName::Wildcard();
    query->node_status_of = address;
    return Ask(std::move(query));
}

std::optional<QueryAnswer> NetbiosService::Ask(std::shared_ptr<PendingQuery> query) {
    auto answer = query->answer.get_future();
    {
        std::lock_guard lock(mutex_);
        if (stopping_) {
            return std::nullopt;
        }
        new_queries_.push_back(query);
    }
    Wake();
    return answer.get();
}

bool NetbiosService::RequestAnnouncements() {
    if (!Status().network_owner) {
        return false;
    }
    auto frame = BuildAnnouncementRequest({config_.computer_name});
    auto smb = frame ? BrowserMailslotWrite(*frame) : std::nullopt;
    return smb && SendDatagram(DatagramType::DirectGroup,
                               NetbiosName::Make(config_.workgroup, kWorkstationSuffix),
                               std::nullopt, *smb);
}

std::optional<NetbiosService::BackupList> NetbiosService::AskForBackupList(
    std::chrono::milliseconds timeout) {
    if (!Status().network_owner) {
        return std::nullopt;
    }
    std::unique_lock lock(backup_list_mutex_);
    // A token of our own, so that an answer to an earlier question or to another computer is
    // not taken; never 0, which stands for no question.
    backup_list_token_ = std::max<uint32_t>(1, backup_list_token_ + 1);
    backup_list_.reset();
    auto smb = BrowserMailslotWrite(BuildGetBackupListRequest({4, backup_list_token_}));
    lock.unlock();
    if (!smb || !SendDatagram(DatagramType::DirectGroup,
                              NetbiosName::Make(config_.workgroup, kMasterBrowserSuffix),
                              std::nullopt, *smb)) {
        return std::nullopt;
    }
    lock.lock();
    backup_list_arrived_.wait_for(lock, timeout, [&] { return backup_list_.has_value(); });
    return std::exchange(backup_list_, std::nullopt);
}

void NetbiosService::TakeBrowserListing(const std::string& workgroup,
                                        const std::vector<BrowseComputer>& computers,
                                        const std::vector<std::string>& workgroups) {
    constexpr auto kListed = std::chrono::minutes(12);
    const auto now = Now();
    for (const auto& name : workgroups) {
        browse_list_.SeeWorkgroup(name, kListed, now);
    }
    for (auto computer : computers) {
        computer.workgroup = workgroup;
        browse_list_.SeeComputer(std::move(computer), kListed, now);
    }
    Wake();  // the expiry timer may now be due sooner
}

bool NetbiosService::SendDatagram(DatagramType type, const NetbiosName& destination,
                                  std::optional<uint32_t> address, std::string_view user_data) {
    if (datagram_socket_ < 0) {
        return false;
    }
    auto interfaces = Interfaces();
    Datagram datagram;
    datagram.type = type;
    datagram.source = NetbiosName::Make(config_.computer_name, kWorkstationSuffix);
    datagram.destination = destination;
    datagram.scope = config_.scope;
    datagram.source_port = config_.datagram_port;
    if (NodeType() == kNodeTypeHybrid) {
        datagram.flags |= kDatagramSourceHybrid;
    }
    auto send_one = [&](uint32_t own_address, uint32_t target) {
        datagram.id = next_datagram_id_++;
        datagram.source_ip = own_address;
        auto bytes = BuildDatagram(datagram, user_data);
        return bytes && Send(datagram_socket_, *bytes, target, config_.datagram_port);
    };
    if (address) {
        return send_one(AddressFacing(*interfaces, *address).value_or(0), *address);
    }
    bool any = false;
    for (const auto& interface : *interfaces) {
        if (interface.CarriesBroadcasts()) {
            any = send_one(interface.address, interface.broadcast) || any;
        }
    }
    return any;
}

void NetbiosService::SendNamePacket(const NamePacket& packet, uint32_t address, uint16_t port) {
    if (auto bytes = BuildNamePacket(packet)) {
        Send(name_socket_, *bytes, address, port);
    }
}

bool NetbiosService::Send(int fd, std::string_view bytes, uint32_t address, uint16_t port) {
    // A full send buffer drops the packet: this thread answers and defends our names and does
    // not wait for room.
    return SendTo(fd, bytes, address, port) == SendResult::Sent;
}

void NetbiosService::BroadcastNamePacket(const std::function<NamePacket(uint32_t)>& make) {
    for (const auto& interface : *Interfaces()) {
        if (interface.CarriesBroadcasts()) {
            SendNamePacket(make(interface.address), interface.broadcast, config_.name_service_port);
        }
    }
}

void NetbiosService::Run() {
    t_on_service_thread = true;
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            if (stopping_) {
                break;
            }
            for (auto& query : new_queries_) {
                query->transaction_id = NextTransactionId();
                query->next_try = Now();
                queries_.push_back(std::move(query));
            }
            new_queries_.clear();
        }
        auto next = RunTimers();
        int timeout = -1;
        if (next != Clock::time_point::max()) {
            auto wait = std::chrono::ceil<std::chrono::milliseconds>(next - Now()).count();
            timeout = static_cast<int>(std::clamp<long long>(wait, 0, 60000));
        }
        pollfd entries[] = {
            {wake_fd_, POLLIN, 0}, {name_socket_, POLLIN, 0}, {datagram_socket_, POLLIN, 0}};
        int ready = ::poll(entries, 3, timeout);
        if (ready < 0 && errno != EINTR) {
            break;
        }
        if (entries[0].revents & POLLIN) {
            uint64_t count;
            [[maybe_unused]] ssize_t read = ::read(wake_fd_, &count, sizeof count);
        }
        if (entries[1].revents & POLLIN) {
            ReceiveNamePackets();
        }
        if (entries[2].revents & POLLIN) {
            ReceiveDatagrams();
        }
    }
    if (browser_) {
        browser_->Stop();
    }
    ReleaseNames();
    for (auto& query : queries_) {
        query->answer.set_value(std::nullopt);
    }
    std::lock_guard lock(mutex_);
    for (auto& query : new_queries_) {
        query->answer.set_value(std::nullopt);
    }
    new_queries_.clear();
}

Clock::time_point NetbiosService::RunTimers() {
    auto now = Now();
    auto next = Clock::time_point::max();
    for (auto it = registrations_.begin(); it != registrations_.end();) {
        if (it->next_try <= now) {
            if (it->tries_sent < config_.registration_tries) {
                SendRegistrationRound(*it);
            } else {
                // Nobody on the subnet objected.
                size_t index = it->name_index;
                it = registrations_.erase(it);
                Settle(index);
                continue;
            }
        }
        next = std::min(next, it->next_try);
        ++it;
    }
    for (auto it = queries_.begin(); it != queries_.end();) {
        auto& query = **it;
        if (query.next_try <= now) {
            if (query.tries_sent >= config_.query_tries && !query.node_status_of &&
                query.step < config_.name_servers.size()) {
                ++query.step;  // this server is silent: the next one, at last the subnet
                query.tries_sent = 0;
            }
            if (query.tries_sent >= config_.query_tries) {
                query.answer.set_value(std::nullopt);
                it = queries_.erase(it);
                continue;
            }
            if (!query.node_status_of && query.step == config_.name_servers.size() &&
                query.tries_sent == 0 && !AnyBroadcastInterface()) {
                query.answer.set_value(std::nullopt);
                it = queries_.erase(it);
                continue;
            }
            ++query.tries_sent;
            query.next_try = now + config_.query_interval;
            if (query.node_status_of) {
                SendNamePacket(
                    MakeNodeStatusRequest(query.transaction_id, {query.name, config_.scope}),
                    *query.node_status_of, config_.name_service_port);
            } else if (query.step < config_.name_servers.size()) {
                query.next_try = now + config_.name_server_interval;
                SendNamePacket(
                    MakeNameQuery(query.transaction_id, {query.name, config_.scope}, false),
                    config_.name_servers[query.step], NameServerPort());
            } else {
                NamePacket packet =
                    MakeNameQuery(query.transaction_id, {query.name, config_.scope}, true);
                BroadcastNamePacket([&](uint32_t) { return packet; });
            }
        }
        next = std::min(next, query.next_try);
        ++it;
    }
    next = std::min(next, RunServerTimers(now));
    next = std::min(next, RunRecovery(now));
    return std::min(next, RunBrowserTimers(now));
}

void NetbiosService::RestoreKeptBrowseList() {
    if (config_.mode != ServiceMode::Owner || !config_.read_kept_browse_list) {
        return;
    }
    if (auto text = config_.read_kept_browse_list()) {
        browse_list_.Restore(ParseKeptBrowseList(*text, std::chrono::system_clock::now()), Now());
    }
    kept_generation_ = browse_list_.Generation();
}

void NetbiosService::KeepBrowseList() {
    if (config_.mode != ServiceMode::Owner || !config_.keep_browse_list ||
        browse_list_.Generation() == kept_generation_) {
        return;
    }
    kept_generation_ = browse_list_.Generation();
    config_.keep_browse_list(
        KeptBrowseListText(browse_list_.Heard(Now()), std::chrono::system_clock::now()));
}

Clock::time_point NetbiosService::RunBrowserTimers(Clock::time_point now) {
    auto next = browse_list_.Expire(now);
    // Written soon after a change, so that a run that ends without a word leaves it too.
    if (config_.keep_browse_list && browse_list_.Generation() != kept_generation_) {
        if (now >= next_keep_) {
            KeepBrowseList();
            next_keep_ = now + config_.keep_interval;
        } else {
            next = std::min(next, next_keep_);
        }
    }
    if (!browser_) {
        return next;
    }
    // Announced is the name we hold: not before it is registered, never when it was refused.
    bool at_servers = std::any_of(
        server_registrations_.begin(), server_registrations_.end(), [](const auto& registration) {
            return registration.step == ServerRegistration::Step::Registering;
        });
    if (!announcing_settled_ && registrations_.empty() && !at_servers) {
        announcing_settled_ = true;
        if (config_.announce &&
            HoldsActive(NetbiosName::Make(config_.computer_name, kWorkstationSuffix))) {
            browser_->Start(now);
        }
    }
    return std::min(next, browser_->RunTimers(now));
}

void NetbiosService::SendRegistrationRound(Registration& registration) {
    HeldName held;
    {
        std::lock_guard lock(mutex_);
        held = names_[registration.name_index];
    }
    ++registration.tries_sent;
    registration.next_try = Now() + config_.registration_interval;
    ScopedName name{held.name, config_.scope};
    BroadcastNamePacket([&](uint32_t own) {
        return MakeRegistrationRequest(
            registration.transaction_id, name,
            {static_cast<uint16_t>((held.group ? kNameGroup : 0) | NodeType()), own},
            config_.ttl_seconds);
    });
}

void NetbiosService::ReleaseNames() {
    if (!status_.network_owner) {
        return;
    }
    for (const auto& held : Names()) {
        if (held.state != NameState::Registered) {
            continue;
        }
        uint16_t id = NextTransactionId();
        ScopedName name{held.name, config_.scope};
        BroadcastNamePacket([&](uint32_t own) {
            return MakeReleaseRequest(
                id, name, {static_cast<uint16_t>((held.group ? kNameGroup : 0) | NodeType()), own});
        });
    }
    ReleaseAtNameServers();
}

void NetbiosService::ReleaseAtNameServers() {
    struct Release {
        uint32_t server = 0;
        NamePacket packet;
    };
    std::vector<Release> releases;
    for (const auto& registration : server_registrations_) {
        if (registration.step != ServerRegistration::Step::Held) {
            continue;
        }
        HeldName held;
        {
            std::lock_guard lock(mutex_);
            held = names_[registration.name_index];
        }
        uint32_t server = config_.name_servers[registration.server];
        NameOwner owner{static_cast<uint16_t>((held.group ? kNameGroup : 0) | NodeType()),
                        AddressFacing(*Interfaces(), server).value_or(0)};
        releases.push_back({server, MakeReleaseRequest(NextTransactionId(),
                                                       {held.name, config_.scope}, owner, false)});
    }
    // Waited for briefly, so that the names are free at once for whoever comes next; a server
    // that does not answer lets them expire.
    for (int round = 0; round < kReleaseTries && !releases.empty(); ++round) {
        for (const auto& release : releases) {
            SendNamePacket(release.packet, release.server, NameServerPort());
        }
        auto deadline = Clock::now() + kReleaseWait;
        while (!releases.empty()) {
            auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
            pollfd entry{name_socket_, POLLIN, 0};
            if (left.count() <= 0 || ::poll(&entry, 1, static_cast<int>(left.count())) != 1) {
                break;
            }
            while (size_t count = receive_batch_->Read(name_socket_)) {
                for (size_t i = 0; i < count; ++i) {
                    Received received = (*receive_batch_)[i];
                    auto packet = ParseNamePacket(received.bytes);
                    if (!packet || !packet->IsResponse() ||
                        packet->Opcode() != NameOpcode::Release) {
                        continue;
                    }
                    std::erase_if(releases, [&](const Release& release) {
                        return release.server == received.source &&
                               release.packet.transaction_id == packet->transaction_id;
                    });
                }
            }
        }
    }
}

void NetbiosService::ReceiveNamePackets() {
    for (size_t handled = 0; handled < kDatagramBatch;) {
        const size_t count = receive_batch_->Read(name_socket_);
        if (count == 0) {
            return;
        }
        handled += count;
        for (size_t i = 0; i < count; ++i) {
            Received received = (*receive_batch_)[i];
            // Our own broadcasts come back to us.
            if (received.source_port == config_.name_service_port && status_.network_owner &&
                IsOwnAddress(received.source)) {
                continue;
            }
            if (auto packet = ParseNamePacket(received.bytes)) {
                HandleNamePacket(*packet, received.source, received.source_port,
                                 received.local_address);
            }
        }
        if (count < kReceiveBatch) {
            return;  // the socket is empty, as with datagrams
        }
    }
}

void NetbiosService::HandleNamePacket(const NamePacket& packet, uint32_t source,
                                      uint16_t source_port, uint32_t local_address) {
    if (packet.IsResponse()) {
        HandleResponse(packet, source);
    } else if (status_.network_owner) {
        HandleRequest(packet, source, source_port, local_address);
    }
}

bool NetbiosService::HoldsActive(const NetbiosName& name, bool* group, bool or_registering) const {
    std::lock_guard lock(mutex_);
    for (const auto& held : names_) {
        if (held.name == name && (held.state == NameState::Registered ||
                                  (or_registering && held.state == NameState::Registering))) {
            if (group) {
                *group = held.group;
            }
            return true;
        }
    }
    return false;
}

NodeStatus NetbiosService::OurNodeStatus() const {
    NodeStatus status;
    std::lock_guard lock(mutex_);
    for (const auto& held : names_) {
        if (held.state == NameState::Registered || held.state == NameState::Conflict) {
            uint16_t flags = kNameActive | (held.group ? kNameGroup : 0) |
                             (held.state == NameState::Conflict ? kNameConflict : 0);
            status.names.push_back({held.name, flags});
        }
    }
    return status;
}

void NetbiosService::HandleRequest(const NamePacket& packet, uint32_t source, uint16_t source_port,
                                   uint32_t local_address) {
    if (packet.questions.empty()) {
        return;
    }
    const NameQuestion& question = packet.questions.front();
    if (question.name.scope != config_.scope) {
        return;
    }
    uint32_t own = AddressFacing(*Interfaces(), source).value_or(local_address);
    const bool broadcast = packet.flags & kFlagBroadcast;
    bool group = false;
    switch (packet.Opcode()) {
        case NameOpcode::Query:
            if (question.type == kTypeNbStat) {
                if (question.name.name == NetbiosName::Wildcard() ||
                    HoldsActive(question.name.name)) {
                    if (auto response = MakeNodeStatusResponse(packet.transaction_id, question.name,
                                                               OurNodeStatus())) {
                        SendNamePacket(*response, source, source_port);
                    }
                }
            } else if (question.type == kTypeNb) {
                if (HoldsActive(question.name.name, &group)) {
                    SendNamePacket(
                        MakePositiveQueryResponse(
                            packet.transaction_id, question.name, config_.ttl_seconds,
                            {{static_cast<uint16_t>((group ? kNameGroup : 0) | NodeType()), own}}),
                        source, source_port);
                } else if (!broadcast) {
                    SendNamePacket(MakeNegativeQueryResponse(packet.transaction_id, question.name),
                                   source, source_port);
                }
            }
            break;
        case NameOpcode::Registration: {
            // Defend: nobody may take a unique name of ours, nor make a group name of it.
            if (packet.additional.empty() || !HoldsActive(question.name.name, &group)) {
                break;
            }
            // The answer carries the claimant's own record, as RFC 1002 nodes send it; that
            // it comes from us tells who holds the name.
            auto owners = ParseNameOwners(packet.additional.front().data);
            NameOwner claim = owners ? owners->front() : NameOwner{0, source};
            if (!group || !claim.IsGroup()) {
                SendNamePacket(
                    MakeNegativeRegistrationResponse(packet.transaction_id, question.name, claim),
                    source, source_port);
            }
            break;
        }
        case NameOpcode::Release:
            // Only the holder gives a name back; a demand that we give ours up is not obeyed.
            if (HoldsActive(question.name.name, &group) && !group) {
                LogIgnored("ignored: " + FormatAddress(source) + " asks to release our name " +
                           question.name.name.ToString());
            }
            break;
        default:
            break;
    }
}

void NetbiosService::HandleResponse(const NamePacket& packet, uint32_t source) {
    if (packet.Opcode() == NameOpcode::Query && packet.Rcode() != 0) {
        // A name server that does not know the name: the next server, at last the subnet.
        for (auto& query : queries_) {
            if (query->transaction_id == packet.transaction_id && !query->node_status_of &&
                query->step < config_.name_servers.size() &&
                config_.name_servers[query->step] == source) {
                ++query->step;
                query->tries_sent = 0;
                query->next_try = Now();
            }
        }
        return;
    }
    if (HandleServerResponse(packet, source) || packet.answers.empty()) {
        return;
    }
    const ResourceRecord& answer = packet.answers.front();
    if (packet.Opcode() == NameOpcode::Query && packet.Rcode() == 0 && answer.type == kTypeNbStat) {
        auto status = ParseNodeStatus(answer.data);
        for (auto it = queries_.begin(); it != queries_.end(); ++it) {
            auto& query = **it;
            if (query.transaction_id == packet.transaction_id && query.node_status_of == source &&
                status) {
                query.answer.set_value(QueryAnswer{source, false, std::move(status->names)});
                queries_.erase(it);
                return;
            }
        }
        return;
    }
    auto owners = ParseNameOwners(answer.data);
    if (packet.Opcode() == NameOpcode::Query && packet.Rcode() == 0 && answer.type == kTypeNb) {
        for (auto it = queries_.begin(); it != queries_.end(); ++it) {
            auto& query = **it;
            if (query.transaction_id == packet.transaction_id && !query.node_status_of &&
                query.name == answer.name.name && owners) {
                query.answer.set_value(
                    QueryAnswer{owners->front().address, owners->front().IsGroup(), {}});
                queries_.erase(it);
                return;
            }
        }
        return;
    }
    if (packet.Opcode() != NameOpcode::Registration || packet.Rcode() == 0) {
        return;
    }
    // A refusal carries the record of our own request; the holder is the node it comes from.
    uint32_t owner = source;
    std::unique_lock lock(mutex_);
    for (auto it = registrations_.begin(); it != registrations_.end(); ++it) {
        HeldName& held = names_[it->name_index];
        if (it->transaction_id == packet.transaction_id && held.name == answer.name.name) {
            if (held.group) {
                // A group has many members: its messages are broadcast and reach us anyway.
                lock.unlock();
                Log("the group name " + held.name.ToString() + " was refused by " +
                    FormatAddress(owner) + "; kept, as its messages reach every member");
                return;
            }
            held.state = NameState::Refused;
            held.refused_by = owner;
            held.refused_by_name_server = false;
            size_t index = it->name_index;
            registrations_.erase(it);
            lock.unlock();
            Log("the name " + held.name.ToString() + " is held by " + FormatAddress(owner) +
                ": what is sent to it does not reach this computer; it is registered again later");
            StatusChanged();
            if (index < server_registrations_.size()) {
                auto& at_server = server_registrations_[index];
                if (at_server.step == ServerRegistration::Step::Held) {
                    // The server gave us a name the subnet refuses: give it back.
                    NamePacket release = MakeReleaseRequest(
                        NextTransactionId(), {held.name, config_.scope},
                        {static_cast<uint16_t>((held.group ? kNameGroup : 0) | NodeType()),
                         AddressFacing(*Interfaces(), config_.name_servers[at_server.server])
                             .value_or(0)},
                        false);
                    SendNamePacket(release, config_.name_servers[at_server.server],
                                   NameServerPort());
                }
                at_server.step = ServerRegistration::Step::Dropped;
            }
            return;
        }
    }
    // The holder answers each of our rounds; the first answer settled it.
    bool late_answer = std::any_of(names_.begin(), names_.end(), [&](const HeldName& held) {
        return held.name == answer.name.name && held.state == NameState::Refused &&
               held.refused_by == source;
    });
    lock.unlock();
    if (late_answer) {
        return;
    }
    // Anybody can send a conflict demand or a refusal; that it answers no request of ours
    // tells it apart from a real one, so a forged packet takes no name from us.
    LogIgnored(
        "ignored: a name " +
        std::string(packet.Rcode() == kRcodeConflict ? "conflict demand" : "registration refusal") +
        " for " + answer.name.name.ToString() + " from " + FormatAddress(source) +
        " that answers no registration of ours");
}

void NetbiosService::ReceiveDatagrams() {
    for (size_t handled = 0; handled < kDatagramBatch;) {
        const size_t count = receive_batch_->Read(datagram_socket_);
        if (count == 0) {
            return;
        }
        handled += count;
        for (size_t i = 0; i < count; ++i) {
            Received received = (*receive_batch_)[i];
            if (received.kernel_drops) {
                NoteKernelDrops(*received.kernel_drops);
            }
            if (!status_.network_owner) {
                continue;
            }
            if (auto datagram = ParseDatagram(received.bytes)) {
                HandleDatagram(*datagram, received.source, received.source_port);
            }
        }
        // Handed over while the next batch is read: the reader wakes once for them all.
        if (!arrived_.empty()) {
            receiver_(std::exchange(arrived_, {}));
        }
        // A batch that came short emptied the socket: the next wait tells of more, without a
        // read that finds nothing.
        if (count < kReceiveBatch) {
            return;
        }
    }
}

void NetbiosService::NoteKernelDrops(uint32_t socket_count) {
    // The count belongs to the socket: one that took the place of another starts again at 0.
    if (socket_count < kernel_drops_of_socket_) {
        kernel_drops_of_socket_ = 0;
    }
    if (socket_count == kernel_drops_of_socket_) {
        return;
    }
    const bool first = kernel_drops_ == 0;
    kernel_drops_ += socket_count - kernel_drops_of_socket_;
    kernel_drops_of_socket_ = socket_count;
    if (first) {
        Log("the kernel dropped " + std::to_string(kernel_drops_.load()) +
            " datagrams for want of room in the socket's buffer; further drops are counted");
    }
}

void NetbiosService::NoteRefusedSessionMessage(uint32_t source, size_t length) {
    if (refused_session_++ == 0) {
        Log("refused: a session message of " + std::to_string(length) + " bytes from " +
            FormatAddress(source) + "; session messages longer than " +
            std::to_string(kMaxSessionMessageText) + " bytes are refused and counted from now on");
    }
}

void NetbiosService::HandleDatagram(const Datagram& datagram, uint32_t source,
                                    uint16_t source_port) {
    if (datagram.IsFragment() || datagram.scope != config_.scope) {
        return;
    }
    auto write = ParseMailslotWrite(datagram.user_data);
    auto slot = write ? SlotOfMailslotName(write->mailslot_name) : std::nullopt;
    if (!slot) {
        return;
    }
    // Browser frames go to names of others as well (WORKGROUP<1D>, the master browsers); they
    // are all heard, except our own coming back.
    if (IsBrowserSlot(*slot)) {
        if (auto backup_list = ParseGetBackupListResponse(write->data)) {
            std::lock_guard lock(backup_list_mutex_);
            if (backup_list_token_ != 0 && backup_list->token == backup_list_token_ &&
                !backup_list_) {
                backup_list_ =
                    BackupList{source, datagram.source.Base(), std::move(backup_list->servers)};
                backup_list_arrived_.notify_all();
            }
            return;
        }
        if (!(source_port == config_.datagram_port && IsOwnAddress(source))) {
            browser_->Receive(datagram, write->data, source, Now());
        }
        return;
    }
    if (!receiver_) {
        return;
    }
    if (write->data.size() > kLongestNetworkMailslotData) {
        if (refused_large_++ == 0) {
            Log("refused: a mailslot write of " + std::to_string(write->data.size()) +
                " bytes from " + FormatAddress(source) + "; writes longer than " +
                std::to_string(kLongestNetworkMailslotData) +
                " bytes are refused and counted from now on");
        }
        return;
    }
    if (datagram.type == DatagramType::Broadcast) {
        if (datagram.destination != NetbiosName::Wildcard()) {
            return;
        }
    } else if (!HoldsActive(datagram.destination, nullptr, true)) {
        return;
    }
    // A group write of this computer was delivered here when it was sent.
    if (datagram.type != DatagramType::DirectUnique && IsOwnAddress(source)) {
        return;
    }
    arrived_.push_back({std::move(*slot), std::move(write->data)});
}

}  // namespace lyr::netbios
