// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace lyr {

// Hands messages that came from the network into this computer's mailslot queues, in arrival
// order, on a thread of its own: a slow reader of one slot then stalls only this thread, never
// the NetBIOS service that has to keep draining its socket. What waits here is bounded; beyond
// the bound messages are dropped and counted. A slot this process holds never stalls: it takes
// its messages at once, on the caller's thread, when nothing waits here before them.
class LocalMailslotDelivery {
public:
    explicit LocalMailslotDelivery(size_t max_waiting_bytes = 32 << 20);
    ~LocalMailslotDelivery();  // delivers what waits, then stops
    LocalMailslotDelivery(const LocalMailslotDelivery&) = delete;
    LocalMailslotDelivery& operator=(const LocalMailslotDelivery&) = delete;

    // Never blocks. False when the message had to be dropped.
    bool Deliver(std::string slot, std::string data);
    // Messages for one slot, in order, each as by Deliver; a slot this process holds takes them
    // all with one wake-up of its reader.
    void Deliver(const std::string& slot, std::vector<std::string> messages);
    uint64_t Dropped() const;
    // Waits until nothing waits any more (tests, orderly shutdown).
    void Flush();

private:
    void Run();

    const size_t max_waiting_bytes_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::pair<std::string, std::string>> waiting_;
    size_t waiting_bytes_ = 0;
    bool busy_ = false;
    bool stopping_ = false;
    uint64_t dropped_ = 0;
    std::thread thread_;
};

}  // namespace lyr
