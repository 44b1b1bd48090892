// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/call_loop.h"

namespace lyr::test {

// A user-interface thread for tests: a CallLoop running on a thread of its own. The test's
// thread hands work to it with Run, as a window system's event would.
class UiLoopThread {
public:
    UiLoopThread() : thread_([this] { loop_.Run(); }), id_(thread_.get_id()) {}
    ~UiLoopThread() {
        loop_.Quit();
        thread_.join();
    }

    CallLoop& Loop() { return loop_; }
    std::thread::id Id() const { return id_; }
    void Run(const std::function<void()>& call) { loop_.RunAndWait(call); }

private:
    CallLoop loop_;
    std::thread thread_;
    std::thread::id id_;
};

// What event handlers saw, filled on one thread and awaited on another.
class EventLog {
public:
    void Add(std::string entry) {
        std::lock_guard lock(mutex_);
        entries_.push_back(std::move(entry));
        threads_.push_back(std::this_thread::get_id());
        changed_.notify_all();
    }
    // Waits until at least `count` entries are there; returns whether they came in time.
    bool WaitFor(size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, timeout, [&] { return entries_.size() >= count; });
    }
    std::vector<std::string> Entries() {
        std::lock_guard lock(mutex_);
        return entries_;
    }
    std::vector<std::thread::id> Threads() {
        std::lock_guard lock(mutex_);
        return threads_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::string> entries_;
    std::vector<std::thread::id> threads_;
};

// A slot name no other test process uses at the same time.
inline std::string UniqueSlot(const std::string& name) {
    static int counter = 0;
    return "test-" + std::to_string(::getpid()) + "-" + std::to_string(++counter) + "-" + name;
}

}  // namespace lyr::test
