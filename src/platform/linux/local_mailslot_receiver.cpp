// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/local_mailslot_receiver.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <string>

#include "base/ascii_case.h"
#include "base/log.h"
#include "platform/linux/local_mailslot.h"

namespace lyr {
namespace {

constexpr std::string_view kLogTag = "mailslot";

std::atomic<uint64_t> dropped_in_this_process{0};

// The socket's own buffer only has to hold what arrives between two turns of the drain thread.
constexpr int kReceiveBufferBytes = 4 * 1024 * 1024;
// A local datagram is at most what a socket's send buffer takes; a mailslot message that long
// is already beyond what the endpoint reads.
constexpr size_t kLargestDatagram = 256 * 1024;

void RaiseReceiveBuffer(int socket) {
    int size = kReceiveBufferBytes;
    // The forced variant passes the system's ceiling when we may; otherwise take what it allows.
    if (::setsockopt(socket, SOL_SOCKET, SO_RCVBUFFORCE, &size, sizeof size) != 0) {
        ::setsockopt(socket, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
    }
}

// The receivers of this process. A slot's name is bound once per system, so at most one of them
// holds a given slot; its lock is held while a message is put into a receiver's queue, so that a
// receiver that has left the list is never written to again.
struct Holders {
    std::mutex mutex;
    std::vector<LocalMailslotReceiver*> receivers;
};

Holders& HoldersOfThisProcess() {
    static Holders holders;
    return holders;
}

}  // namespace

bool LocalMailslotReceiver::QueueInProcess(std::string_view slot, std::span<std::string> messages) {
    Holders& holders = HoldersOfThisProcess();
    std::lock_guard lock(holders.mutex);
    for (LocalMailslotReceiver* receiver : holders.receivers) {
        if (EqualsIgnoringCase(receiver->slot_, slot)) {
            receiver->Queue(messages);
            return true;
        }
    }
    return false;
}

std::unique_ptr<LocalMailslotReceiver> LocalMailslotReceiver::Create(std::string_view slot,
                                                                     int32_t max_size,
                                                                     MailslotCreateError& error,
                                                                     size_t max_queued_bytes) {
    if (!IsUsableLocalSlotName(slot) || max_size < 0) {
        error = MailslotCreateError::BadName;
        return nullptr;
    }
    UniqueFd socket(::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
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
    try {
        return std::unique_ptr<LocalMailslotReceiver>(new LocalMailslotReceiver(
            std::move(socket), std::move(wake), std::string(slot), max_size, max_queued_bytes));
    } catch (const std::system_error&) {
        error = MailslotCreateError::CannotOpen;  // no thread could be started
        return nullptr;
    }
}

LocalMailslotReceiver::LocalMailslotReceiver(UniqueFd socket, UniqueFd wake, std::string slot,
                                             int32_t max_size, size_t max_queued_bytes)
    : socket_(std::move(socket)),
      wake_(std::move(wake)),
      slot_(std::move(slot)),
      max_size_(max_size),
      max_queued_bytes_(max_queued_bytes),
      drain_([this] { Drain(); }) {
    Holders& holders = HoldersOfThisProcess();
    std::lock_guard lock(holders.mutex);
    holders.receivers.push_back(this);
}

LocalMailslotReceiver::~LocalMailslotReceiver() {
    Close();
}

void LocalMailslotReceiver::Drain() {
    pollfd ready[2] = {{socket_.get(), POLLIN, 0}, {wake_.get(), POLLIN, 0}};
    for (;;) {
        if (::poll(ready, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            break;
        }
        if (ready[1].revents != 0) {
            return;  // closing
        }
        if (ready[0].revents & (POLLERR | POLLNVAL)) {
            break;
        }
        if ((ready[0].revents & POLLIN) && !TakeWaitingDatagrams()) {
            break;
        }
    }
    std::lock_guard lock(mutex_);
    broken_ = true;
    arrived_.notify_all();
    LogLine(LogSeverity::Error, kLogTag,
            "the queue of mailslot \"" + slot_ + "\" stopped receiving: " + std::strerror(errno));
}

bool LocalMailslotReceiver::TakeWaitingDatagrams() {
    std::lock_guard taking(taking_);
    if (!socket_) {
        return true;  // closed
    }
    if (!datagram_) {
        datagram_ = std::make_unique<char[]>(kLargestDatagram);
    }
    for (;;) {
        // One read into room for the largest datagram; MSG_TRUNC tells its whole size.
        ssize_t taken = ::recv(socket_.get(), datagram_.get(), kLargestDatagram, MSG_TRUNC);
        if (taken < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno == EAGAIN || errno == EWOULDBLOCK;
        }
        const size_t size = std::min(static_cast<size_t>(taken), kLargestDatagram);
        std::string message(datagram_.get(), size);
        Queue(std::span(&message, 1));
    }
}

void LocalMailslotReceiver::Queue(std::span<std::string> messages) {
    std::lock_guard lock(mutex_);
    if (closed_) {
        return;
    }
    const bool was_empty = queued_.empty();
    for (std::string& message : messages) {
        // A queue created with a size limit never holds a longer message.
        if (max_size_ > 0 && message.size() > static_cast<size_t>(max_size_)) {
            continue;
        }
        if (queued_bytes_ + message.size() > max_queued_bytes_) {
            dropped_in_this_process.fetch_add(1, std::memory_order_relaxed);
            if (dropped_++ == 0) {
                LogLine(LogSeverity::Error, kLogTag,
                        "the queue of mailslot \"" + slot_ + "\" is full (" +
                            std::to_string(max_queued_bytes_ >> 20) +
                            " MiB unread); further messages are dropped until it is read");
            }
            continue;
        }
        queued_bytes_ += message.size();
        queued_.push_back(std::move(message));
    }
    // Waiters wait only for an empty queue; during a burst nobody needs waking.
    if (was_empty && !queued_.empty()) {
        arrived_.notify_all();
    }
}

std::optional<MailslotInfo> LocalMailslotReceiver::Info() {
    TakeWaitingDatagrams();
    std::lock_guard lock(mutex_);
    if (closed_ || broken_) {
        return std::nullopt;
    }
    if (queued_.empty()) {
        return MailslotInfo{};
    }
    return MailslotInfo{static_cast<uint32_t>(queued_.front().size()),
                        static_cast<uint32_t>(queued_.size())};
}

std::optional<size_t> LocalMailslotReceiver::Read(std::span<char> buffer) {
    TakeWaitingDatagrams();
    std::lock_guard lock(mutex_);
    if (closed_ || queued_.empty()) {
        return std::nullopt;
    }
    const std::string message = std::move(queued_.front());
    queued_.pop_front();
    queued_bytes_ -= message.size();
    // An empty buffer takes the message and drops it.
    if (!buffer.empty() && !message.empty()) {
        std::memcpy(buffer.data(), message.data(), std::min(buffer.size(), message.size()));
    }
    return message.size();
}

std::vector<std::string> LocalMailslotReceiver::ReadWaiting(size_t most) {
    TakeWaitingDatagrams();
    std::vector<std::string> messages;
    std::lock_guard lock(mutex_);
    if (closed_) {
        return messages;
    }
    const size_t count = std::min(most, queued_.size());
    messages.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        queued_bytes_ -= queued_.front().size();
        messages.push_back(std::move(queued_.front()));
        queued_.pop_front();
    }
    return messages;
}

bool LocalMailslotReceiver::Wait() {
    TakeWaitingDatagrams();
    std::unique_lock lock(mutex_);
    arrived_.wait(lock, [this] { return closed_ || broken_ || !queued_.empty(); });
    return !closed_ && !queued_.empty();
}

uint64_t LocalMailslotReceiver::Dropped() const {
    std::lock_guard lock(mutex_);
    return dropped_;
}

uint64_t LocalMailslotReceiver::DroppedInThisProcess() {
    return dropped_in_this_process.load(std::memory_order_relaxed);
}

void LocalMailslotReceiver::Close() {
    {
        Holders& holders = HoldersOfThisProcess();
        std::lock_guard lock(holders.mutex);
        std::erase(holders.receivers, this);
    }
    uint64_t dropped;
    {
        std::lock_guard lock(mutex_);
        if (closed_) {
            return;
        }
        closed_ = true;
        dropped = dropped_;
        queued_.clear();
        queued_bytes_ = 0;
        arrived_.notify_all();
    }
    uint64_t one = 1;
    ssize_t ignored = ::write(wake_.get(), &one, sizeof one);
    (void)ignored;
    if (drain_.joinable()) {
        drain_.join();
    }
    {
        std::lock_guard taking(taking_);
        socket_.reset();
        wake_.reset();
    }
    if (dropped > 0) {
        LogLine(LogSeverity::Error, kLogTag,
                std::to_string(dropped) + " messages to mailslot \"" + slot_ +
                    "\" were dropped because its queue was full");
    }
}

}  // namespace lyr
