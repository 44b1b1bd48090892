#include "platform/linux/local_mailslot_receiver.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "platform/linux/local_mailslot.h"

namespace lyr {
namespace {

// Unix datagram queues are bounded by a message count (the writer then waits, nothing is
// lost); a large buffer keeps the bytes of a burst of longer messages from being the limit.
constexpr int kReceiveBufferBytes = 4 * 1024 * 1024;

void RaiseReceiveBuffer(int socket) {
    int size = kReceiveBufferBytes;
    // The forced variant passes the system's ceiling when we may; otherwise take what it allows.
    if (::setsockopt(socket, SOL_SOCKET, SO_RCVBUFFORCE, &size, sizeof size) != 0) {
        ::setsockopt(socket, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
    }
}

}  // namespace

std::unique_ptr<LocalMailslotReceiver> LocalMailslotReceiver::Create(std::string_view slot,
                                                                     int32_t max_size,
                                                                     MailslotCreateError& error) {
    if (!IsUsableLocalSlotName(slot) || max_size < 0) {
        error = MailslotCreateError::BadName;
        return nullptr;
    }
    UniqueFd socket(::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    if (!socket) {
        error = MailslotCreateError::CannotOpen;
        return nullptr;
    }
    auto address = MakeLocalMailslotAddress(slot);
    if (::bind(socket.get(), reinterpret_cast<const sockaddr*>(&address.address), address.length) !=
        0) {
        error = errno == EADDRINUSE ? MailslotCreateError::AlreadyExists
                                    : MailslotCreateError::CannotOpen;
        return nullptr;
    }
    RaiseReceiveBuffer(socket.get());
    UniqueFd wake(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!wake) {
        error = MailslotCreateError::CannotOpen;
        return nullptr;
    }
    return std::unique_ptr<LocalMailslotReceiver>(
        new LocalMailslotReceiver(std::move(socket), std::move(wake), max_size));
}

LocalMailslotReceiver::~LocalMailslotReceiver() {
    Close();
}

std::optional<MailslotInfo> LocalMailslotReceiver::Info() {
    if (closed_) {
        return std::nullopt;
    }
    // Only this reader takes messages out, so a message seen waiting still waits.
    if (known_next_) {
        return known_next_;
    }
    for (;;) {
        // A peek with MSG_TRUNC tells the next message's whole size, or that none waits, in one
        // call and without taking anything.
        ssize_t next_size = ::recv(socket_.get(), nullptr, 0, MSG_PEEK | MSG_TRUNC | MSG_DONTWAIT);
        if (next_size < 0 && errno == EINTR) {
            continue;
        }
        if (next_size < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                return MailslotInfo{};
            }
            return std::nullopt;
        }
        if (max_size_ > 0 && next_size > max_size_) {
            // A queue created with a size limit never holds a longer message.
            Read({});
            continue;
        }
        known_next_ = MailslotInfo{static_cast<uint32_t>(next_size), 1};
        return known_next_;
    }
}

std::optional<size_t> LocalMailslotReceiver::Read(std::span<char> buffer) {
    if (closed_) {
        return std::nullopt;
    }
    known_next_.reset();
    for (;;) {
        ssize_t size =
            ::recv(socket_.get(), buffer.data(), buffer.size(), MSG_DONTWAIT | MSG_TRUNC);
        if (size < 0 && errno == EINTR) {
            continue;
        }
        if (size < 0) {
            return std::nullopt;
        }
        return static_cast<size_t>(size);
    }
}

bool LocalMailslotReceiver::Wait() {
    {
        std::lock_guard lock(mutex_);
        if (closed_) {
            return false;
        }
        waiting_ = true;
    }
    pollfd ready[2] = {{socket_.get(), POLLIN, 0}, {wake_.get(), POLLIN, 0}};
    int result;
    do {
        result = ::poll(ready, 2, -1);
    } while (result < 0 && errno == EINTR);
    std::lock_guard lock(mutex_);
    waiting_ = false;
    wait_left_.notify_all();
    return !closed_ && result > 0 && (ready[0].revents & POLLIN);
}

void LocalMailslotReceiver::Close() {
    std::unique_lock lock(mutex_);
    if (closed_) {
        return;
    }
    closed_ = true;
    uint64_t one = 1;
    ssize_t ignored = ::write(wake_.get(), &one, sizeof one);
    (void)ignored;
    wait_left_.wait(lock, [this] { return !waiting_; });
    socket_.reset();
    wake_.reset();
}

}  // namespace lyr
