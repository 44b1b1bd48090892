#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

#include "platform/ui_thread.h"

namespace lyr::test {

// The test's own thread as the user-interface thread: calls that other threads hand over wait
// until the test runs them with PumpUntil, one at a time in the order they came. Stop ends the
// loop for good: waiting and later calls are refused, as after the program's loop has ended.
class PumpedUiThread final : public UiThread {
public:
    PumpedUiThread() : owner_(std::this_thread::get_id()) {}
    ~PumpedUiThread() override {
        std::unique_lock lock(mutex_);
        StopLocked();
        changed_.wait(lock, [this] { return callers_ == 0; });
    }
    PumpedUiThread(const PumpedUiThread&) = delete;
    PumpedUiThread& operator=(const PumpedUiThread&) = delete;

    std::thread::id Id() const { return owner_; }

    bool RunAndWait(const std::function<void()>& call) override {
        if (std::this_thread::get_id() == owner_) {
            call();
            return true;
        }
        std::unique_lock lock(mutex_);
        if (stopped_) {
            return false;
        }
        Request request;
        request.call = &call;
        waiting_.push_back(&request);
        ++callers_;
        changed_.notify_all();
        changed_.wait(lock, [&request] { return request.finished; });
        --callers_;
        changed_.notify_all();
        if (request.error) {
            std::rethrow_exception(request.error);
        }
        return !request.refused;
    }

    // Runs handed-over calls until `done` holds; false when it still does not after `timeout`.
    // `done` may depend on other threads too, so it is looked at every millisecond.
    bool PumpUntil(const std::function<bool()>& done,
                   std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (!done()) {
            if (std::chrono::steady_clock::now() > deadline) {
                return false;
            }
            std::unique_lock lock(mutex_);
            if (!changed_.wait_for(lock, std::chrono::milliseconds(1),
                                   [this] { return !waiting_.empty(); })) {
                continue;
            }
            Request* request = waiting_.front();
            waiting_.pop_front();
            lock.unlock();
            try {
                (*request->call)();
            } catch (...) {
                request->error = std::current_exception();
            }
            lock.lock();
            request->finished = true;
            changed_.notify_all();
        }
        return true;
    }

    void Stop() {
        std::lock_guard lock(mutex_);
        StopLocked();
    }

private:
    struct Request {
        const std::function<void()>* call = nullptr;
        bool finished = false;
        bool refused = false;
        std::exception_ptr error;
    };

    void StopLocked() {
        stopped_ = true;
        for (Request* request : waiting_) {
            request->finished = true;
            request->refused = true;
        }
        waiting_.clear();
        changed_.notify_all();
    }

    const std::thread::id owner_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Request*> waiting_;
    int callers_ = 0;
    bool stopped_ = false;
};

}  // namespace lyr::test
