// SPDX-License-Identifier: GPL-3.0-or-later
#include "contacts/network_scan.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "contacts/fake_network.h"
#include "contacts/recording_window.h"
#include "platform/codepage.h"
#include "platform/stderr_capture.h"
#include "support/pumped_ui_thread.h"

namespace lyr {
namespace {

const std::vector<std::string> kScanStarted = {
    "tray icon 3",
    "tray hint \"Обновление списка пользователей...\"",
    "info text \"Обновление списка пользователей...\"",
    "repaint window",
};

class NetworkScanTest : public ::testing::Test {
protected:
    ~NetworkScanTest() override {
        // As at exit: the UI loop has ended before the scanner goes.
        ui.Stop();
        network.Release();
        scanner.reset();
    }

    bool FinishScan() {
        return ui.PumpUntil([this] { return !scanner->Scanning(); });
    }

    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& entry : list.Entries()) {
            names.push_back(AnsiToUtf8(entry.Name));
            EXPECT_FALSE(entry.Checked);
        }
        return names;
    }

    // A list as loaded from users.dat, with everything ticked.
    void LoadTickedList() {
        TUserData group;
        group.Name = group.Group = "OLD";
        group.Kind = TUserData::kGroup;
        TUserData computer;
        computer.Name = "GONE";
        computer.Group = "OLD";
        computer.Kind = TUserData::kComputer;
        list.Replace({WholeNetworkEntry(), group, computer});
        list.UserListMouseDown(UserList::MouseButton::Left, 0, 0, 0);
        window.ClearLog();
    }

    test::PumpedUiThread ui;
    test::FakeNetwork network;
    test::RecordingWindow window;
    UserList list{window, window, "users.dat"};
    std::unique_ptr<NetworkScanner> scanner =
        std::make_unique<NetworkScanner>(list, window, window, window, network, ui);
};

TEST_F(NetworkScanTest, WindowStepsComeInOrderOnTheUiThreadAroundTheSearch) {
    AddTwoWorkgroups(network);
    network.BehaviourOf("").on_open = [this] { window.Log("search"); };
    LoadTickedList();

    scanner->StartNetworkScan();
    EXPECT_TRUE(scanner->Scanning());
    EXPECT_EQ(window.Log(), kScanStarted);
    ASSERT_TRUE(FinishScan());

    auto expected = kScanStarted;
    expected.insert(expected.end(), {"list disabled", "contents changed", "animation shown",
                                     "search", "contents changed", "info text \"\"",
                                     "presence tray", "list enabled", "animation hidden"});
    EXPECT_EQ(window.Log(), expected);
    for (const auto& event : window.Events()) {
        EXPECT_EQ(event.thread == ui.Id(), event.what != "search") << event.what;
    }
    // The loaded entries are gone, ticked or not; nothing of the new list is ticked.
    EXPECT_EQ(Names(), (std::vector<std::string>{"Вся сеть", "WG1", "a", "B", "WG2", "C"}));
    EXPECT_TRUE(list.Enabled());
    EXPECT_EQ(window.InfoText(), "");
}

TEST_F(NetworkScanTest, WithoutANetworkTheScanEndsWithTheWholeNetworkAlone) {
    network.BehaviourOf("").open_error = kErrorNoNetwork;
    LoadTickedList();
    scanner->StartNetworkScan();
    ASSERT_TRUE(FinishScan());
    EXPECT_EQ(Names(), (std::vector<std::string>{"Вся сеть"}));
    EXPECT_EQ(window.InfoText(), "");
    EXPECT_TRUE(list.Enabled());
}

TEST_F(NetworkScanTest, AStartWhileAScanRunsIsIgnored) {
    AddTwoWorkgroups(network);
    network.BehaviourOf("").hold_open = true;
    scanner->StartNetworkScan();
    ASSERT_TRUE(ui.PumpUntil([this] { return network.Holding(); }));
    EXPECT_TRUE(list.Empty());
    EXPECT_FALSE(list.Enabled());

    // The timer fires during the scan: nothing changes on screen, no second search starts.
    window.ClearLog();
    scanner->RescanServersTimer();
    scanner->StartNetworkScan();
    EXPECT_TRUE(window.Log().empty());

    network.Release();
    ASSERT_TRUE(FinishScan());
    const auto first_opened = network.Opened();
    EXPECT_EQ(std::count(first_opened.begin(), first_opened.end(), ""), 1);
    EXPECT_EQ(list.Entries().size(), 6u);

    // Once it has ended, the next start scans again.
    scanner->StartNetworkScan();
    ASSERT_TRUE(FinishScan());
    const auto opened = network.Opened();
    EXPECT_EQ(std::count(opened.begin(), opened.end(), ""), 2);
    EXPECT_EQ(list.Entries().size(), 6u);
}

TEST_F(NetworkScanTest, AScanRunningAtExitEndsWithoutTouchingTheWindow) {
    AddTwoWorkgroups(network);
    network.BehaviourOf("").hold_open = true;
    scanner->StartNetworkScan();
    ASSERT_TRUE(ui.PumpUntil([this] { return network.Holding(); }));

    ui.Stop();  // the program's loop has ended
    window.ClearLog();
    network.Release();
    scanner.reset();
    EXPECT_TRUE(window.Log().empty());
    EXPECT_TRUE(list.Empty());
    EXPECT_EQ(network.OpenHandles(), 0u);
}

TEST_F(NetworkScanTest, AScanStartedAsTheLoopEndsNeverSearches) {
    AddTwoWorkgroups(network);
    LoadTickedList();
    scanner->StartNetworkScan();
    ui.Stop();
    scanner.reset();
    EXPECT_TRUE(network.Opened().empty());
    EXPECT_EQ(list.Entries().size(), 3u);
    EXPECT_EQ(window.Log(), kScanStarted);
}

TEST_F(NetworkScanTest, AFailedAnimationDoesNotStopTheScan) {
    AddTwoWorkgroups(network);
    window.animation_fails = true;
    test::StderrCapture capture;
    scanner->StartNetworkScan();
    ASSERT_TRUE(FinishScan());
    EXPECT_EQ(list.Entries().size(), 6u);
    EXPECT_TRUE(list.Enabled());
    const std::string trace = capture.Take();
    EXPECT_EQ(test::LinesWith(trace, "The scan animation failed: no animation"), 1) << trace;
}

TEST_F(NetworkScanTest, TheRescanTimerRunsOnlyWhenOnWithATime) {
    scanner->ArmRescanTimer(false, 60000);
    scanner->ArmRescanTimer(true, 0);
    scanner->ArmRescanTimer(true, -1);
    EXPECT_TRUE(window.Log().empty());
    scanner->ArmRescanTimer(true, 60000);
    EXPECT_EQ(window.Log(), (std::vector<std::string>{"timer 60000"}));

    window.ClearLog();
    scanner->RescanServersTimer();
    EXPECT_EQ(window.Log(), kScanStarted);
    ASSERT_TRUE(FinishScan());
    EXPECT_EQ(Names(), (std::vector<std::string>{"Вся сеть"}));
}

}  // namespace
}  // namespace lyr
