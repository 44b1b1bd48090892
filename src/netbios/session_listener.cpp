// SPDX-License-Identifier: GPL-3.0-or-later
#include "netbios/session_listener.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <vector>

#include "netbios/port_holder.h"

namespace lyr::netbios {
namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t kReadChunk = 8192;
// When the process has no descriptor left for a new connection, the listening socket stays
// readable; it is left alone this long instead of being asked again and again.
constexpr auto kAcceptPause = std::chrono::seconds(1);

int OpenListeningSocket(uint16_t port, uint16_t& bound_port) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return -1;
    }
    int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    address.sin_port = htons(port);
    socklen_t length = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, 128) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    bound_port = ntohs(address.sin_port);
    return fd;
}

void SendBestEffort(int fd, std::string_view bytes) {
    [[maybe_unused]] ssize_t sent =
        ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
}

}  // namespace

struct SessionListener::Connection {
    Connection(int socket, uint32_t peer, const SessionConversation::Settings& settings,
               Clock::time_point now)
        : fd(socket), address(peer), conversation(settings), opened(now), last_whole(now) {}
    ~Connection() { ::close(fd); }

    int fd;
    uint32_t address;
    SessionConversation conversation;
    std::string in;
    std::string out;
    bool closing = false;  // hang up once `out` has gone
    bool busy = false;     // a packet begun or an answer not yet taken
    Clock::time_point opened;
    Clock::time_point last_whole;
    Clock::time_point busy_since;

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
      refused_(std::move(refused)) {
    listen_fd_ = OpenListeningSocket(limits_.port, port_);
    // Without its wake-up the thread could never be told to stop: then the port is given up,
    // as when it cannot be had (few descriptors left to this process).
    if (listen_fd_ >= 0) {
        wake_fd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
        if (wake_fd_ < 0) {
            const int error = errno;
            ::close(listen_fd_);
            listen_fd_ = -1;
            errno = error;
        }
    }
    if (listen_fd_ < 0) {
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
        [[maybe_unused]] ssize_t written = ::write(wake_fd_, &one, sizeof one);
        thread_.join();
    }
    for (int fd : {listen_fd_, wake_fd_}) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
}

void SessionListener::Run() {
    std::vector<std::unique_ptr<Connection>> connections;
    std::vector<pollfd> entries;
    auto accept_again = Clock::time_point::min();
    std::string chunk(kReadChunk, '\0');

    auto flush = [](Connection& c) {
        while (!c.out.empty()) {
            ssize_t sent = ::send(c.fd, c.out.data(), c.out.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
            if (sent < 0 && errno == EINTR) {
                continue;
            }
            if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                return true;
            }
            if (sent <= 0) {
                return false;
            }
            c.out.erase(0, static_cast<size_t>(sent));
        }
        return !c.closing;
    };
    // Reads what is there and answers every whole packet; false when the connection ends.
    auto read = [&](Connection& c, Clock::time_point now) {
        ssize_t length;
        do {
            length = ::recv(c.fd, chunk.data(), chunk.size(), MSG_DONTWAIT);
        } while (length < 0 && errno == EINTR);
        if (length < 0) {
            return errno == EAGAIN || errno == EWOULDBLOCK;
        }
        if (length == 0) {
            return false;
        }
        c.in.append(chunk.data(), static_cast<size_t>(length));
        while (c.in.size() >= kSessionHeaderSize && !c.closing) {
            auto header = ParseSessionHeader(c.in);
            if (!header) {
                return false;
            }
            if (header->length > kMaxSessionPayload) {
                if (refused_) {
                    refused_(c.address, header->length);
                }
                return false;
            }
            if (c.in.size() < kSessionHeaderSize + header->length) {
                break;
            }
            auto step = c.conversation.OnPacket(
                *header, std::string_view(c.in).substr(kSessionHeaderSize, header->length));
            c.in.erase(0, kSessionHeaderSize + header->length);
            c.last_whole = now;
            c.out += step.reply;
            c.closing = step.close;
            if (step.message && receiver_) {
                receiver_(std::move(*step.message));
            }
            if (step.refused_length > 0 && refused_) {
                refused_(c.address, step.refused_length);
            }
        }
        if (c.closing) {
            c.in.clear();
        }
        return flush(c);
    };
    auto accept_all = [&](Clock::time_point now) {
        for (;;) {
            sockaddr_in peer{};
            socklen_t length = sizeof peer;
            int fd = ::accept4(listen_fd_, reinterpret_cast<sockaddr*>(&peer), &length,
                               SOCK_NONBLOCK | SOCK_CLOEXEC);
            if (fd < 0) {
                if (errno == EINTR || errno == ECONNABORTED) {
                    continue;
                }
                if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
                    accept_again = now + kAcceptPause;
                }
                return;
            }
            uint32_t address = ntohl(peer.sin_addr.s_addr);
            size_t from_there = static_cast<size_t>(
                std::count_if(connections.begin(), connections.end(),
                              [&](const auto& c) { return c->address == address; }));
            if (connections.size() >= limits_.max_connections ||
                from_there >= limits_.max_connections_per_address) {
                SendBestEffort(fd, *BuildSessionPacket(
                                       SessionType::Negative,
                                       std::string(1, static_cast<char>(kInsufficientResources))));
                ::close(fd);
                continue;
            }
            connections.push_back(std::make_unique<Connection>(fd, address, settings_, now));
        }
    };

    while (!stopping_) {
        auto now = Clock::now();
        auto next = accept_again > now ? accept_again : Clock::time_point::max();
        for (const auto& c : connections) {
            next = std::min(next, c->Deadline(limits_));
        }
        int timeout = -1;
        if (next != Clock::time_point::max()) {
            auto wait = std::chrono::ceil<std::chrono::milliseconds>(next - now).count();
            timeout = static_cast<int>(std::clamp<long long>(wait, 0, 60000));
        }
        entries.clear();
        entries.push_back({wake_fd_, POLLIN, 0});
        const bool accepting = accept_again <= now;
        entries.push_back({accepting ? listen_fd_ : -1, POLLIN, 0});
        for (const auto& c : connections) {
            short events = c->out.empty() ? POLLIN : POLLOUT;
            entries.push_back({c->fd, events, 0});
        }
        int ready = ::poll(entries.data(), entries.size(), timeout);
        if (ready < 0 && errno != EINTR) {
            break;
        }
        now = Clock::now();
        if (entries[0].revents & POLLIN) {
            uint64_t count;
            [[maybe_unused]] ssize_t drained = ::read(wake_fd_, &count, sizeof count);
        }
        // Connections first: accepting below adds to the list the entries were made from.
        for (size_t i = 0; i < connections.size(); ++i) {
            Connection& c = *connections[i];
            short revents = ready > 0 ? entries[i + 2].revents : short{0};
            bool keep = true;
            if (revents & (POLLERR | POLLNVAL)) {
                keep = false;
            } else if (revents & POLLOUT) {
                keep = flush(c);
            } else if (revents & (POLLIN | POLLHUP)) {
                keep = read(c, now);
            }
            c.NoteBusy(now);
            if (keep && c.Deadline(limits_) <= now) {
                keep = false;
            }
            if (!keep) {
                connections[i].reset();
            }
        }
        std::erase(connections, nullptr);
        if (accepting && ready > 0 && (entries[1].revents & POLLIN)) {
            accept_all(now);
        }
    }
}

}  // namespace lyr::netbios
