#include "platform/linux/local_mailslot_delivery.h"

#include "platform/linux/local_mailslot.h"

namespace lyr {

LocalMailslotDelivery::LocalMailslotDelivery(size_t max_waiting_bytes)
    : max_waiting_bytes_(max_waiting_bytes), thread_([this] { Run(); }) {}

LocalMailslotDelivery::~LocalMailslotDelivery() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

bool LocalMailslotDelivery::Deliver(std::string slot, std::string data) {
    {
        std::lock_guard lock(mutex_);
        size_t size = slot.size() + data.size();
        if (stopping_ || waiting_bytes_ + size > max_waiting_bytes_) {
            ++dropped_;
            return false;
        }
        waiting_bytes_ += size;
        waiting_.emplace_back(std::move(slot), std::move(data));
    }
    changed_.notify_all();
    return true;
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
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stopping_ || !waiting_.empty(); });
        if (waiting_.empty()) {
            return;  // stopping, and everything is delivered
        }
        auto [slot, data] = std::move(waiting_.front());
        waiting_.pop_front();
        waiting_bytes_ -= slot.size() + data.size();
        busy_ = true;
        lock.unlock();
        // A slot nobody holds drops the message, as a mailslot write to a missing slot would.
        WriteLocalMailslot(slot, data);
        lock.lock();
        busy_ = false;
        changed_.notify_all();
    }
}

}  // namespace lyr
