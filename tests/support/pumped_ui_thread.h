// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <functional>
#include <thread>

#include "platform/call_loop.h"

namespace lyr::test {

// The test's own thread as the user-interface thread, over the program's own hand-over: calls
// that other threads hand over wait until the test runs them with PumpUntil, one at a time in
// the order they came. Stop ends the loop for good: waiting and later calls are refused, as after
// the program's loop has ended.
class PumpedUiThread final : public UiThread {
public:
    PumpedUiThread() : owner_(std::this_thread::get_id()), loop_(owner_, {}) {}

    std::thread::id Id() const { return owner_; }

    bool RunAndWait(const std::function<void()>& call) override { return loop_.RunAndWait(call); }

    // Runs handed-over calls until `done` holds; false when it still does not after `timeout`.
    // `done` may depend on other threads too, so it is looked at every millisecond.
    bool PumpUntil(const std::function<bool()>& done,
                   std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (!done()) {
            if (std::chrono::steady_clock::now() > deadline) {
                return false;
            }
            loop_.RunNext(std::chrono::milliseconds(1));
        }
        return true;
    }

    void Stop() { loop_.Quit(); }

private:
    const std::thread::id owner_;
    CallLoop loop_;
};

}  // namespace lyr::test
