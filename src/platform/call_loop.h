#pragma once

#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>

#include "platform/ui_thread.h"

namespace lyr {

// A user-interface thread without a window system, for lyrnet and tests: the thread that calls
// Run executes the calls other threads hand over, one at a time, in the order they came.
// Stopping is final: calls handed over after it, and calls still waiting when it happens, are
// refused (RunAndWait returns false). The loop may be destroyed while other threads still wait
// in RunAndWait; they are refused and the destructor waits until they have left.
class CallLoop final : public UiThread {
public:
    CallLoop() = default;
    ~CallLoop() override;
    CallLoop(const CallLoop&) = delete;
    CallLoop& operator=(const CallLoop&) = delete;

    // Runs handed-over calls until Quit.
    void Run();
    // Ends Run from any thread, including from inside a call.
    void Quit();

    // An exception thrown by `call` is rethrown to the caller.
    bool RunAndWait(const std::function<void()>& call) override;

private:
    struct Request {
        const std::function<void()>* call = nullptr;
        bool finished = false;
        bool refused = false;
        std::exception_ptr error;
    };

    void RefuseWaitingLocked();

    std::mutex mutex_;
    std::condition_variable work_or_quit_;
    std::condition_variable request_finished_;
    std::deque<Request*> waiting_;
    std::thread::id loop_thread_;
    bool running_ = false;
    bool stopped_ = false;
    int callers_ = 0;
};

}  // namespace lyr
