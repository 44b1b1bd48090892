// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/call_loop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <stdexcept>
#include <thread>
#include <vector>

namespace lyr {
namespace {

TEST(CallLoopTest, RunsHandedOverCallsOnItsThreadInOrder) {
    CallLoop loop;
    std::thread::id loop_id;
    std::vector<int> order;
    std::thread ui([&] {
        loop_id = std::this_thread::get_id();
        loop.Run();
    });
    std::vector<std::thread::id> seen;
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(loop.RunAndWait([&, i] {
            order.push_back(i);
            seen.push_back(std::this_thread::get_id());
        }));
    }
    loop.Quit();
    ui.join();
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));
    for (auto id : seen) {
        EXPECT_EQ(id, loop_id);
    }
}

TEST(CallLoopTest, CallFromTheLoopThreadRunsAtOnce) {
    CallLoop loop;
    std::vector<std::string> steps;
    std::thread ui([&] { loop.Run(); });
    loop.RunAndWait([&] {
        steps.push_back("outer");
        EXPECT_TRUE(loop.RunAndWait([&] { steps.push_back("inner"); }));
        steps.push_back("after");
    });
    loop.Quit();
    ui.join();
    EXPECT_EQ(steps, (std::vector<std::string>{"outer", "inner", "after"}));
}

TEST(CallLoopTest, CallsHandedOverBeforeRunWaitForIt) {
    CallLoop loop;
    std::atomic<bool> ran = false;
    auto caller =
        std::async(std::launch::async, [&] { return loop.RunAndWait([&] { ran = true; }); });
    EXPECT_EQ(caller.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);
    std::thread ui([&] { loop.Run(); });
    EXPECT_TRUE(caller.get());
    EXPECT_TRUE(ran);
    loop.Quit();
    ui.join();
}

TEST(CallLoopTest, StoppedLoopRefusesCallsInsteadOfHanging) {
    CallLoop loop;
    std::thread ui([&] { loop.Run(); });
    std::promise<void> inside;
    std::promise<void> release;
    // One call keeps the loop busy while another waits; Quit then refuses the waiting one.
    auto busy = std::async(std::launch::async, [&] {
        return loop.RunAndWait([&] {
            inside.set_value();
            release.get_future().wait();
            loop.Quit();
        });
    });
    inside.get_future().wait();
    std::atomic<bool> waiting_ran = false;
    auto waiting = std::async(std::launch::async,
                              [&] { return loop.RunAndWait([&] { waiting_ran = true; }); });
    EXPECT_EQ(waiting.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);
    release.set_value();
    EXPECT_TRUE(busy.get());
    EXPECT_FALSE(waiting.get());
    EXPECT_FALSE(waiting_ran);
    ui.join();
    EXPECT_FALSE(loop.RunAndWait([] { FAIL() << "ran after the loop stopped"; }));
}

TEST(CallLoopTest, ErrorOfACallReachesItsCallerAndTheLoopGoesOn) {
    CallLoop loop;
    std::thread ui([&] { loop.Run(); });
    EXPECT_THROW(loop.RunAndWait([] { throw std::runtime_error("boom"); }), std::runtime_error);
    EXPECT_TRUE(loop.RunAndWait([] {}));
    loop.Quit();
    ui.join();
}

}  // namespace
}  // namespace lyr
