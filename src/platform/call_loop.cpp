#include "platform/call_loop.h"

namespace lyr {

CallLoop::~CallLoop() {
    std::unique_lock lock(mutex_);
    stopped_ = true;
    RefuseWaitingLocked();
    request_finished_.wait(lock, [this] { return callers_ == 0; });
}

void CallLoop::Run() {
    std::unique_lock lock(mutex_);
    loop_thread_ = std::this_thread::get_id();
    running_ = true;
    while (!stopped_) {
        if (waiting_.empty()) {
            work_or_quit_.wait(lock);
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
        request_finished_.notify_all();
    }
    running_ = false;
    loop_thread_ = {};
    RefuseWaitingLocked();
}

void CallLoop::Quit() {
    std::lock_guard lock(mutex_);
    stopped_ = true;
    work_or_quit_.notify_all();
}

bool CallLoop::RunAndWait(const std::function<void()>& call) {
    std::unique_lock lock(mutex_);
    if (running_ && loop_thread_ == std::this_thread::get_id()) {
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
