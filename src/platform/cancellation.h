// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace lyr {

// Cancels waits on other threads at once, so that the end of the program does not wait for
// answers nobody wants any more. Final: once cancelled, every wait ends at once.
class Cancellation {
public:
    void Cancel() {
        {
            std::lock_guard lock(mutex_);
            cancelled_ = true;
        }
        changed_.notify_all();
    }
    bool Cancelled() const {
        std::lock_guard lock(mutex_);
        return cancelled_;
    }
    // Waits `duration`, or less once cancelled; false when cancelled.
    bool Wait(std::chrono::milliseconds duration) const {
        std::unique_lock lock(mutex_);
        return !changed_.wait_for(lock, duration, [this] { return cancelled_; });
    }

private:
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    bool cancelled_ = false;
};

}  // namespace lyr
