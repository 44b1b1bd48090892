// SPDX-License-Identifier: GPL-3.0-or-later
#include "netbios/session_listener.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "netbios/port_holder.h"

namespace lyr::netbios {
namespace {

constexpr size_t kReadChunk = 8192;
// When the process has no descriptor left for a new connection, the listening socket stays
// readable; it is left alone this long instead of being asked again and again.
constexpr auto kAcceptPause = std::chrono::seconds(1);
// The wait's list: the wake-up, the listening socket, then one entry per connection.
constexpr size_t kWakeEntry = 0;
constexpr size_t kListenEntry = 1;
constexpr size_t kFirstConnectionEntry = 2;

UniqueFd OpenListeningSocket(uint16_t port, uint16_t& bound_port) {
    UniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!fd) {
        return fd;
    }
    int on = 1;
    ::setsockopt(fd.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    address.sin_port = htons(port);
    socklen_t length = sizeof address;
    if (::bind(fd.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd.get(), 128) != 0 ||
        ::getsockname(fd.get(), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        const int error = errno;
        fd.reset();
        errno = error;
        return fd;
    }
    bound_port = ntohs(address.sin_port);
    return fd;
}

void SendBestEffort(int fd, std::string_view bytes) {
    [[maybe_unused]] ssize_t sent =
        ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
}

}  // namespace

// One accepted connection: its socket, what has come and not yet been answered, what is still
// to go out, and the times its deadline is counted from.
struct SessionListener::Connection {
    Connection(UniqueFd socket, uint32_t peer, const SessionConversation::Settings& settings,
               Clock::time_point now)
        : fd(std::move(socket)),
          address(peer),
          conversation(settings),
          opened(now),
          last_whole(now) {}

    UniqueFd fd;
    uint32_t address;
    SessionConversation conversation;
    std::string in;
    std::string out;
    bool closing = false;  // hang up once `out` has gone
    bool busy = false;     // a packet begun or an answer not yet taken
    Clock::time_point opened;
    Clock::time_point last_whole;
    Clock::time_point busy_since;

    // Sends what the socket takes of `out`; false when the connection is to end (the peer is
    // gone, or everything went out before a hang-up).
    bool Flush() {
        while (!out.empty()) {
            ssize_t sent = ::send(fd.get(), out.data(), out.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
            if (sent < 0 && errno == EINTR) {
                continue;
            }
            if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                return true;
            }
            if (sent <= 0) {
                return false;
            }
            out.erase(0, static_cast<size_t>(sent));
        }
        return !closing;
    }
    void NoteBusy(Clock::time_point now) {
        bool now_busy = !in.empty() || !out.empty();
        if (now_busy && !busy) {
            busy_since = now;
        }
        busy = now_busy;
    }
    Clock::time_point Deadline(const SessionLimits& limits) const {
        auto deadline = opened + limits.lifetime;
        if (!conversation.Established()) {
            return std::min(deadline, opened + limits.stall_timeout);
        }
        if (busy) {
            return std::min(deadline, busy_since + limits.stall_timeout);
        }
        return std::min(deadline, last_whole + limits.idle_timeout);
    }
};

SessionListener::SessionListener(SessionLimits limits, SessionConversation::Settings settings,
                                 SessionMessageReceiver receiver, SessionRefusalListener refused)
    : limits_(limits),
      settings_(std::move(settings)),
      receiver_(std::move(receiver)),
      refused_(std::move(refused)),
      chunk_(kReadChunk, '\0') {
    listen_fd_ = OpenListeningSocket(limits_.port, port_);
    // Without its wake-up the thread could never be told to stop: then the port is given up,
    // as when it cannot be had (few descriptors left to this process).
    if (listen_fd_) {
        wake_fd_.reset(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC));
        if (!wake_fd_) {
            const int error = errno;
            listen_fd_.reset();
            errno = error;
        }
    }
    if (!listen_fd_) {
        error_number_ = errno;
        problem_ = PortBindProblem(
            true, limits_.port, error_number_,
            ", so popup messages sent over the NetBIOS session service (by smbclient -M, or "
            "Windows' messenger service) cannot reach this computer; mailslot messages still "
            "arrive.",
            "another program (perhaps Samba's smbd)",
            "Let that program leave the port (for Samba: \"smb ports = 445\" in the [global] "
            "section of /etc/samba/smb.conf, then sudo systemctl restart smbd) and start again.");
        return;
    }
    thread_ = std::thread([this] { Run(); });
}

SessionListener::~SessionListener() {
    if (thread_.joinable()) {
        stopping_ = true;
        uint64_t one = 1;
        [[maybe_unused]] ssize_t written = ::write(wake_fd_.get(), &one, sizeof one);
        thread_.join();
    }
}

void SessionListener::Run() {
    std::vector<pollfd> entries;
    while (!stopping_) {
        auto now = Clock::now();
        const bool accepting = accept_again_ <= now;
        WatchList(accepting, entries);
        int ready = ::poll(entries.data(), entries.size(), WaitTimeout(now));
        if (ready < 0 && errno != EINTR) {
            break;
        }
        now = Clock::now();
        if (entries[kWakeEntry].revents & POLLIN) {
            uint64_t count;
            [[maybe_unused]] ssize_t drained = ::read(wake_fd_.get(), &count, sizeof count);
        }
        // Connections first: accepting below adds to the list the entries were made from.
        for (size_t i = 0; i < connections_.size(); ++i) {
            const short revents = ready > 0 ? entries[kFirstConnectionEntry + i].revents : 0;
            if (!Serve(*connections_[i], revents, now)) {
                connections_[i].reset();
            }
        }
        std::erase(connections_, nullptr);
        if (accepting && ready > 0 && (entries[kListenEntry].revents & POLLIN)) {
            AcceptAll(now);
        }
    }
}

void SessionListener::WatchList(bool accepting, std::vector<pollfd>& entries) const {
    entries.clear();
    entries.push_back({wake_fd_.get(), POLLIN, 0});
    entries.push_back({accepting ? listen_fd_.get() : -1, POLLIN, 0});
    for (const auto& c : connections_) {
        const short events = c->out.empty() ? POLLIN : POLLOUT;
        entries.push_back({c->fd.get(), events, 0});
    }
}

int SessionListener::WaitTimeout(Clock::time_point now) const {
    auto next = accept_again_ > now ? accept_again_ : Clock::time_point::max();
    for (const auto& c : connections_) {
        next = std::min(next, c->Deadline(limits_));
    }
    if (next == Clock::time_point::max()) {
        return -1;
    }
    auto wait = std::chrono::ceil<std::chrono::milliseconds>(next - now).count();
    return static_cast<int>(std::clamp<long long>(wait, 0, 60000));
}

void SessionListener::AcceptAll(Clock::time_point now) {
    for (;;) {
        sockaddr_in peer{};
        socklen_t length = sizeof peer;
        UniqueFd fd(::accept4(listen_fd_.get(), reinterpret_cast<sockaddr*>(&peer), &length,
                              SOCK_NONBLOCK | SOCK_CLOEXEC));
        if (!fd) {
            if (errno == EINTR || errno == ECONNABORTED) {
                continue;
            }
            if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
                accept_again_ = now + kAcceptPause;
            }
            return;
        }
        const uint32_t address = ntohl(peer.sin_addr.s_addr);
        if (!HasRoomFor(address)) {
            SendBestEffort(
                fd.get(),
                *BuildSessionPacket(SessionType::Negative,
                                    std::string(1, static_cast<char>(kInsufficientResources))));
            continue;
        }
        connections_.push_back(
            std::make_unique<Connection>(std::move(fd), address, settings_, now));
    }
}

bool SessionListener::HasRoomFor(uint32_t address) const {
    const auto from_there =
        static_cast<size_t>(std::count_if(connections_.begin(), connections_.end(),
                                          [&](const auto& c) { return c->address == address; }));
    return connections_.size() < limits_.max_connections &&
           from_there < limits_.max_connections_per_address;
}

bool SessionListener::Serve(Connection& connection, short revents, Clock::time_point now) {
    bool keep = true;
    if (revents & (POLLERR | POLLNVAL)) {
        keep = false;
    } else if (revents & POLLOUT) {
        keep = connection.Flush();
    } else if (revents & (POLLIN | POLLHUP)) {
        keep = Read(connection, now);
    }
    connection.NoteBusy(now);
    return keep && connection.Deadline(limits_) > now;
}

bool SessionListener::Read(Connection& connection, Clock::time_point now) {
    ssize_t length;
    do {
        length = ::recv(connection.fd.get(), chunk_.data(), chunk_.size(), MSG_DONTWAIT);
    } while (length < 0 && errno == EINTR);
    if (length < 0) {
        return errno == EAGAIN || errno == EWOULDBLOCK;
    }
    if (length == 0) {
        return false;
    }
    connection.in.append(chunk_.data(), static_cast<size_t>(length));
    return AnswerWholePackets(connection, now) && connection.Flush();
}

bool SessionListener::AnswerWholePackets(Connection& connection, Clock::time_point now) {
    std::string& in = connection.in;
    while (in.size() >= kSessionHeaderSize && !connection.closing) {
        auto header = ParseSessionHeader(in);
        if (!header) {
            return false;
        }
        if (header->length > kMaxSessionPayload) {
            if (refused_) {
                refused_(connection.address, header->length);
            }
            return false;
        }
        if (in.size() < kSessionHeaderSize + header->length) {
            break;
        }
        auto step = connection.conversation.OnPacket(
            *header, std::string_view(in).substr(kSessionHeaderSize, header->length));
        in.erase(0, kSessionHeaderSize + header->length);
        connection.last_whole = now;
        connection.out += step.reply;
        connection.closing = step.close;
        if (step.message && receiver_) {
            receiver_(std::move(*step.message));
        }
        if (step.refused_length > 0 && refused_) {
            refused_(connection.address, step.refused_length);
        }
    }
    if (connection.closing) {
        in.clear();
    }
    return true;
}

}  // namespace lyr::netbios
