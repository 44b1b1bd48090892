// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <thread>

#include "base/unique_fd.h"
#include "platform/mailslot.h"

namespace lyr {

// The receive side of a local mailslot. The bound datagram socket is only the way in: a thread
// of the receiver's own drains it as soon as a datagram arrives into a queue the receiver owns,
// as deep as a mailslot's, so the socket's short queue never fills and no writer waits, even
// while the reader is held in a modal window for a long time. The queue is bounded by bytes;
// what comes beyond the bound is dropped and counted, and the count is reported.
class LocalMailslotReceiver final : public MailslotReceiver {
public:
    static constexpr size_t kMaxQueuedBytes = 64 << 20;

    static std::unique_ptr<LocalMailslotReceiver> Create(std::string_view slot, int32_t max_size,
                                                         MailslotCreateError& error,
                                                         size_t max_queued_bytes = kMaxQueuedBytes);
    ~LocalMailslotReceiver() override;

    std::optional<MailslotInfo> Info() override;
    std::optional<size_t> Read(std::span<char> buffer) override;
    std::vector<std::string> ReadWaiting(size_t most) override;
    bool Wait() override;
    void Close() override;

    // Messages dropped so far because the queue was full.
    uint64_t Dropped() const;
    // The same for every queue this process held since it started, closed ones included; from
    // any thread.
    static uint64_t DroppedInThisProcess();

    // Puts a message from the network straight into the queue of `slot` (any letter case) when a
    // receiver of this process holds it: the process would otherwise write it to its own socket
    // and read it back on another thread. Takes the messages, in order, with one wake-up of the
    // reader, and returns true when a receiver of this process holds the slot; otherwise leaves
    // them as they were.
    static bool QueueInProcess(std::string_view slot, std::span<std::string> messages);

private:
    LocalMailslotReceiver(UniqueFd socket, UniqueFd wake, std::string slot, int32_t max_size,
                          size_t max_queued_bytes);

    void Drain();
    // Moves every datagram that waits in the socket into the queue, in order; false when the
    // socket broke. The reader calls it too, so that a write that has returned is seen at once.
    bool TakeWaitingDatagrams();
    // Every message enters the queue here, from the socket or from this process.
    void Queue(std::span<std::string> messages);

    UniqueFd socket_;
    UniqueFd wake_;  // tells the drain thread to end
    const std::string slot_;
    const int32_t max_size_;
    const size_t max_queued_bytes_;

    std::mutex taking_;                 // one taker at a time keeps the order; taken before mutex_
    std::unique_ptr<char[]> datagram_;  // room for the largest datagram, under taking_
    mutable std::mutex mutex_;
    std::condition_variable arrived_;
    std::deque<std::string> queued_;
    size_t queued_bytes_ = 0;
    uint64_t dropped_ = 0;
    bool closed_ = false;
    bool broken_ = false;
    std::thread drain_;
};

}  // namespace lyr
