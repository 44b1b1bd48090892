// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/call_loop.h"

namespace lyr {

CallLoop::CallLoop(std::thread::id loop_thread, std::function<void()> call_waiting)
    : call_waiting_(std::move(call_waiting)), loop_thread_(loop_thread) {}

CallLoop::~CallLoop() {
    std::unique_lock lock(mutex_);
    stopped_ = true;
    RefuseWaitingLocked();
    request_finished_.wait(lock, [this] { return callers_ == 0; });
}

void CallLoop::Run() {
    std::unique_lock lock(mutex_);
    loop_thread_ = std::this_thread::get_id();
    while (!stopped_) {
        if (waiting_.empty()) {
            work_or_quit_.wait(lock);
            continue;
        }
        RunFirstLocked(lock);
    }
    loop_thread_ = {};
    RefuseWaitingLocked();
}

void CallLoop::RunWaiting() {
    std::unique_lock lock(mutex_);
    // Only the calls that wait now: a call handed over meanwhile has a driver's turn of its own.
    for (size_t count = waiting_.size(); count > 0 && !waiting_.empty() && !stopped_; --count) {
        RunFirstLocked(lock);
    }
}

bool CallLoop::RunNext(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    if (!work_or_quit_.wait_for(lock, timeout, [this] { return stopped_ || !waiting_.empty(); }) ||
        stopped_) {
        return false;
    }
    RunFirstLocked(lock);
    return true;
}

void CallLoop::RunFirstLocked(std::unique_lock<std::mutex>& lock) {
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
    request_finished_.notify_all();
}

void CallLoop::Quit() {
    std::lock_guard lock(mutex_);
    stopped_ = true;
    RefuseWaitingLocked();
    work_or_quit_.notify_all();
}

bool CallLoop::RunAndWait(const std::function<void()>& call) {
    std::unique_lock lock(mutex_);
    if (loop_thread_ == std::this_thread::get_id()) {
        lock.unlock();
        call();
        return true;
    }
    if (stopped_) {
        return false;
    }
    Request request;
    request.call = &call;
    waiting_.push_back(&request);
    ++callers_;
    work_or_quit_.notify_all();
    if (call_waiting_) {
        lock.unlock();
        call_waiting_();
        lock.lock();
    }
    request_finished_.wait(lock, [&request] { return request.finished; });
    --callers_;
    request_finished_.notify_all();
    if (request.error) {
        std::rethrow_exception(request.error);
    }
    return !request.refused;
}

void CallLoop::RefuseWaitingLocked() {
    for (Request* request : waiting_) {
        request->finished = true;
        request->refused = true;
    }
    waiting_.clear();
    request_finished_.notify_all();
}

}  // namespace lyr
