// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

#include "platform/ui_thread.h"

namespace lyr {

// The one hand-over to a user-interface thread: calls that other threads hand over are run on
// the loop's thread one at a time, in the order they came, and their callers wait for them. An
// exception thrown by a call is rethrown to its caller; the loop goes on. Stopping is final:
// calls handed over after it, and calls still waiting when it happens, are refused (RunAndWait
// returns false). The loop may be destroyed while other threads still wait in RunAndWait; they
// are refused and the destructor waits until they have left.
//
// Either the loop runs itself (Run on the thread that is to be the UI thread: lyrnet, tests), or
// another event loop drives it (the Qt program): then the loop's thread is given at
// construction, `call_waiting` is called from the handing thread whenever a call comes, and the
// driver answers by calling RunWaiting on the loop's thread.
class CallLoop final : public UiThread {
public:
    CallLoop() = default;
    CallLoop(std::thread::id loop_thread, std::function<void()> call_waiting);
    ~CallLoop() override;
    CallLoop(const CallLoop&) = delete;
    CallLoop& operator=(const CallLoop&) = delete;

    // Runs handed-over calls until Quit.
    void Run();
    // Ends Run from any thread, including from inside a call, and stops the loop for good.
    void Quit();
    // On the loop's thread: runs the calls that wait now.
    void RunWaiting();
    // On the loop's thread: waits at most `timeout` for a call and runs it; false when none came.
    bool RunNext(std::chrono::milliseconds timeout);

    bool RunAndWait(const std::function<void()>& call) override;

private:
    struct Request {
        const std::function<void()>* call = nullptr;
        bool finished = false;
        bool refused = false;
        std::exception_ptr error;
    };

    // Runs the first waiting call; the lock is held on entry and on return.
    void RunFirstLocked(std::unique_lock<std::mutex>& lock);
    void RefuseWaitingLocked();

    const std::function<void()> call_waiting_;
    std::mutex mutex_;
    std::condition_variable work_or_quit_;
    std::condition_variable request_finished_;
    std::deque<Request*> waiting_;
    std::thread::id loop_thread_;
    bool stopped_ = false;
    int callers_ = 0;
};

}  // namespace lyr
