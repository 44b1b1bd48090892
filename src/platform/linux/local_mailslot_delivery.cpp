// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/local_mailslot_delivery.h"

#include <map>

#include "base/log.h"
#include "platform/linux/local_mailslot.h"
#include "platform/linux/local_mailslot_receiver.h"

namespace lyr {
namespace {

// As long as a writer of this computer waits for room in a full queue.
constexpr int kWriteTimeoutMs = 2000;

}  // namespace

LocalMailslotDelivery::LocalMailslotDelivery(size_t max_waiting_bytes)
    : max_waiting_bytes_(max_waiting_bytes), thread_([this] { Run(); }) {}

LocalMailslotDelivery::~LocalMailslotDelivery() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
    if (dropped_ > 0) {
        LogLine(LogSeverity::Error, "mailslot",
                std::to_string(dropped_) +
                    " messages from the network were dropped on their way to their mailslot");
    }
}

bool LocalMailslotDelivery::Deliver(std::string slot, std::string data) {
    bool was_empty;
    {
        std::lock_guard lock(mutex_);
        size_t size = slot.size() + data.size();
        if (stopping_ || waiting_bytes_ + size > max_waiting_bytes_) {
            if (dropped_++ == 0) {
                LogLine(LogSeverity::Error, "mailslot",
                        "messages from the network wait for their mailslot beyond " +
                            std::to_string(max_waiting_bytes_ >> 20) +
                            " MiB; further ones are dropped and counted");
            }
            return false;
        }
        // A slot this process holds takes the message at once, unless earlier ones still wait
        // here: they go first.
        if (waiting_.empty() && !busy_ &&
            LocalMailslotReceiver::QueueInProcess(slot, std::span(&data, 1))) {
            return true;
        }
        was_empty = waiting_.empty();
        waiting_bytes_ += size;
        waiting_.emplace_back(std::move(slot), std::move(data));
    }
    // The thread waits only for an empty queue; during a burst nobody needs waking.
    if (was_empty) {
        changed_.notify_all();
    }
    return true;
}

void LocalMailslotDelivery::Deliver(const std::string& slot, std::vector<std::string> messages) {
    {
        std::lock_guard lock(mutex_);
        if (!stopping_ && waiting_.empty() && !busy_ &&
            LocalMailslotReceiver::QueueInProcess(slot, messages)) {
            return;
        }
    }
    for (auto& message : messages) {
        Deliver(slot, std::move(message));
    }
}

uint64_t LocalMailslotDelivery::Dropped() const {
    std::lock_guard lock(mutex_);
    return dropped_;
}

void LocalMailslotDelivery::Flush() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return waiting_.empty() && !busy_; });
}

void LocalMailslotDelivery::Run() {
    // A connection per slot, kept between messages; one that fails (its reader went away, or
    // came back as another socket) is opened anew once.
    std::map<std::string, LocalMailslotConnection, std::less<>> connections;
    auto write = [&](const std::string& slot, std::string& data) {
        if (LocalMailslotReceiver::QueueInProcess(slot, std::span(&data, 1))) {
            return;
        }
        for (int attempt = 0; attempt < 2; ++attempt) {
            auto found = connections.find(slot);
            if (found == connections.end()) {
                auto opened = LocalMailslotConnection::Open(slot, kWriteTimeoutMs);
                if (!opened) {
                    return;  // nobody holds the slot: dropped, as a write to a missing slot is
                }
                found = connections.emplace(slot, std::move(*opened)).first;
            }
            if (found->second.Send(data) == LocalWriteResult::Written) {
                return;
            }
            connections.erase(found);
        }
    };
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stopping_ || !waiting_.empty(); });
        if (waiting_.empty()) {
            return;  // stopping, and everything is delivered
        }
        std::deque<std::pair<std::string, std::string>> batch;
        batch.swap(waiting_);
        busy_ = true;
        lock.unlock();
        size_t written_bytes = 0;
        for (auto& [slot, data] : batch) {
            written_bytes += slot.size() + data.size();
            write(slot, data);
        }
        lock.lock();
        // Counted until written, so that the bound holds for what waits here in all.
        waiting_bytes_ -= written_bytes;
        busy_ = false;
        changed_.notify_all();
    }
}

}  // namespace lyr
