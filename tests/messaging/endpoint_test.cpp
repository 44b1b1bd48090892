// SPDX-License-Identifier: GPL-3.0-or-later
// The controller on the real receiving mailslot, with messages from other processes.
#include <gtest/gtest.h>
#include <signal.h>

#include <mutex>
#include <thread>

#include "messaging/controller_fixture.h"
#include "platform/linux/linux_mailslot_system.h"
#include "platform/linux/local_mailslot.h"
#include "platform/mailslot_network.h"
#include "platform/messenger_message.h"
#include "support/child_process.h"
#include "support/local_mailslot_reader.h"
#include "support/ui_loop.h"

namespace lyr {
namespace {

using namespace std::chrono_literals;
using test::Ansi;
using test::Oem;

// Carries writes for other computers into one local slot, as the network would carry them to a
// peer that listens there.
class LoopbackNetwork : public MailslotNetwork {
public:
    explicit LoopbackNetwork(std::string peer_slot) : peer_slot_(std::move(peer_slot)) {}

    bool WriteRemote(const std::string& server, const std::string& slot,
                     std::string_view data) override {
        {
            std::lock_guard lock(mutex_);
            targets_.push_back(server + "\\" + slot);
        }
        return WriteLocalMailslot(peer_slot_, data) == LocalWriteResult::Written;
    }
    std::vector<std::string> Targets() {
        std::lock_guard lock(mutex_);
        return targets_;
    }

private:
    std::string peer_slot_;
    std::mutex mutex_;
    std::vector<std::string> targets_;
};

std::string Lyrnet() {
    return test::BinaryDir() + "/src/main/lyrnet";
}

class MessengerEndpointTest : public ::testing::Test {
protected:
    MessengerEndpointTest() {
        program_.real_mailslots_ = &mailslots_;
        program_.real_ui_thread_ = &ui_.Loop();
        program_.PresetIdentity("Nik", "Anna");
        program_.PresetIdentity("BusyText", Ansi("Ушла на обед"));
        program_.View().tray.on_animation_stopped = [this] { handled_.Add("handled"); };
    }
    ~MessengerEndpointTest() override {
        ui_.Run([this] {
            if (program_.controller_) {
                program_.Controller().FormDestroy();
                program_.controller_.reset();
            }
        });
    }

    const std::string peer_slot_ = test::UniqueSlot("peer");
    test::LocalMailslotReader peer_{peer_slot_};
    LoopbackNetwork network_{peer_slot_};
    LinuxMailslotSystem mailslots_{"TESTPC", &network_};
    test::ControllerHarness program_;
    test::EventLog handled_;
    test::UiLoopThread ui_;  // last: its thread goes first
};

TEST_F(MessengerEndpointTest, AMessageFromAnotherProcessIsStoredShownAndAnsweredBusy) {
    bool active = false;
    ui_.Run([&] {
        program_.Start();
        program_.Controller().miActiveClick(Control{1});
        active = program_.Controller().MainSlotActive();
    });
    ASSERT_TRUE(active);

    test::ChildProcess sender(
        {Lyrnet(), "send", ".", "Привет из другого процесса\r\n", "--from", "PEER"},
        {"LC_ALL=C.UTF-8"});
    ASSERT_EQ(sender.Wait(), 0) << sender.RestOfErrors();
    ASSERT_TRUE(handled_.WaitFor(1));

    ui_.Run([&] {
        const TMsgList& inbox = program_.Controller().Inbox();
        ASSERT_EQ(inbox.Count(), 1u);
        EXPECT_EQ(inbox.Item(0).FromName.Text(), "PEER");
        EXPECT_EQ(inbox.Item(0).ToName.Text(), ".");
        EXPECT_EQ(inbox.Item(0).Text, Ansi("Привет из другого процесса"));
        EXPECT_EQ(test::ReadFile(program_.DataFile("inbox.dat")), inbox.ToBytes());
        EXPECT_EQ(program_.View().panes.rec_text, Ansi("Привет из другого процесса"));
        EXPECT_EQ(program_.View().tray.hint, Ansi("Messenger - занят, писем: 1"));
    });
    EXPECT_EQ(
        peer_.Read(10s),
        BuildMessengerDatagram({.sender = "Anna (TESTPC)",
                                .receiver = "PEER",
                                .text = Oem("Anna занят, он оставил сообщение:\r\nУшла на обед")}));
    EXPECT_EQ(network_.Targets(), std::vector<std::string>{"PEER\\messngr"});
}

TEST_F(MessengerEndpointTest, AMessageSentFromTheListReachesAListeningPeer) {
    ui_.Run([&] {
        program_.Start();
        program_.user_list_.Replace(
            {WholeNetworkEntry(), {"PEER", "WG1", 0, TUserData::kComputer, true}});
        program_.View().panes.send_text = Ansi("Привет, сосед");
        const Control send_button{0};
        program_.Controller().SendMsg(&send_button);
        EXPECT_EQ(program_.Controller().Outbox().Count(), 1u);
        EXPECT_TRUE(program_.View().dialogs.boxes.empty());
    });
    EXPECT_EQ(peer_.Read(10s),
              BuildMessengerDatagram(
                  {.sender = "Anna (TESTPC)", .receiver = "PEER", .text = Oem("Привет, сосед")}));
    EXPECT_EQ(network_.Targets(), std::vector<std::string>{"PEER\\messngr"});
}

TEST_F(MessengerEndpointTest, AnotherProgramHoldingTheMailslotMakesItSendOnly) {
    test::ChildProcess holder({test::BinaryDir() + "/tests/mailslot_peer", "hold", kMessengerSlot});
    ASSERT_EQ(holder.ReadLine(), "held");
    bool active = true;
    std::vector<MessageBoxRequest> boxes;
    ui_.Run([&] {
        program_.Start();
        active = program_.Controller().MainSlotActive();
        boxes = program_.View().dialogs.boxes;
    });
    EXPECT_FALSE(active);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].Text, Ansi("Обнаружен другой приемник сообщений.\r\n"
                                  "Messenger будет работать только на передачу."));
    holder.CloseInput();
    EXPECT_EQ(holder.Wait(), 0);
}

// A burst that waits in the queue is handed over at once: every message is stored in order, and
// the window, the count in the tray's hint and the desktop notification change once, to the
// last message, instead of once per message.
TEST_F(MessengerEndpointTest, MessagesThatArriveTogetherAreStoredInOrderAndShownOnce) {
    constexpr int kMessages = 20;
    size_t hints_before = 0;
    ui_.Run([&] {
        program_.Start();
        hints_before = program_.View().tray.hints.size();
        // Written while the UI thread is busy here: they all wait when the hand-over comes.
        auto connection = LocalMailslotConnection::Open(kMessengerSlot, 2000);
        ASSERT_TRUE(connection);
        for (int i = 0; i < kMessages; ++i) {
            ASSERT_EQ(
                connection->Send(BuildMessengerDatagram({.sender = "PEER",
                                                         .receiver = "TESTPC",
                                                         .text = "together " + std::to_string(i)})),
                LocalWriteResult::Written);
        }
    });
    ASSERT_TRUE(handled_.WaitFor(1));

    ui_.Run([&] {
        const TMsgList& inbox = program_.Controller().Inbox();
        ASSERT_EQ(inbox.Count(), static_cast<size_t>(kMessages));
        for (int i = 0; i < kMessages; ++i) {
            EXPECT_EQ(inbox.Item(i).Text, "together " + std::to_string(i));
        }
        EXPECT_EQ(test::ReadFile(program_.DataFile("inbox.dat")), inbox.ToBytes());
        const auto& view = program_.View();
        EXPECT_EQ(view.panes.rec_text, "together 19");
        EXPECT_EQ(view.tray.hints.size() - hints_before, 1u);
        EXPECT_EQ(view.tray.hint, Ansi("Messenger - активен, писем: 20"));
        ASSERT_EQ(view.shell.desktop_notifications.size(), 1u);
        EXPECT_EQ(view.shell.desktop_notifications[0].position, kMessages);
    });
}

// A process that received messages is killed without a chance to save; the next start has them
// all, because each reached the file when it was stored.
TEST(MessengerCrashTest, EveryMessageStoredBeforeAKillIsThereAtTheNextStart) {
    test::ControllerHarness next_start;
    test::ChildProcess host({test::BinaryDir() + "/tests/messaging/controller_host",
                             next_start.temp_.Path().string(),
                             (next_start.temp_ / "settings.reg").string()});
    ASSERT_EQ(host.ReadLine(), "ready 1") << host.RestOfErrors();
    constexpr int kMessages = 5;
    for (int i = 0; i < kMessages; ++i) {
        const std::string text = "message " + std::to_string(i);
        ASSERT_EQ(WriteLocalMailslot(kMessengerSlot,
                                     BuildMessengerDatagram(
                                         {.sender = "PEER", .receiver = "HOSTPC", .text = text})),
                  LocalWriteResult::Written);
        ASSERT_EQ(host.ReadLine(), "stored " + std::to_string(i + 1));
    }
    host.Signal(SIGKILL);
    EXPECT_EQ(host.Wait(), 128 + SIGKILL);
    EXPECT_EQ(host.RestOfErrors().find("Sanitizer"), std::string::npos) << host.RestOfErrors();

    next_start.Start();
    const TMsgList& inbox = next_start.Controller().Inbox();
    ASSERT_EQ(inbox.Count(), static_cast<size_t>(kMessages));
    for (int i = 0; i < kMessages; ++i) {
        EXPECT_EQ(inbox.Item(i).Text, "message " + std::to_string(i));
        EXPECT_EQ(inbox.Item(i).FromName.Text(), "PEER");
    }
    EXPECT_EQ(next_start.Controller().InboxCount(), kMessages);
    EXPECT_EQ(next_start.View().panes.rec_text, "message 4");
    EXPECT_TRUE(next_start.View().dialogs.boxes.empty()) << "the file is intact";
}

// Killed in the middle of a flood: every message the program had acknowledged as stored is in
// the file at the next start, in order, and nothing else is there.
TEST(MessengerCrashTest, AKillInTheMiddleOfAFloodLosesNoMessageAcknowledgedAsStored) {
    test::ControllerHarness next_start;
    test::ChildProcess host({test::BinaryDir() + "/tests/messaging/controller_host",
                             next_start.temp_.Path().string(),
                             (next_start.temp_ / "settings.reg").string()});
    ASSERT_EQ(host.ReadLine(), "ready 1") << host.RestOfErrors();
    constexpr int kFlood = 20000;
    std::thread flood([] {
        auto connection = LocalMailslotConnection::Open(kMessengerSlot, 2000);
        for (int i = 0; connection && i < kFlood; ++i) {
            const std::string text = "flood " + std::to_string(i);
            if (connection->Send(BuildMessengerDatagram(
                    {.sender = "PEER", .receiver = "HOSTPC", .text = text})) !=
                LocalWriteResult::Written) {
                break;  // killed
            }
        }
    });
    size_t acknowledged = 0;
    while (acknowledged < 500) {
        const auto line = host.ReadLine();
        ASSERT_TRUE(line && line->rfind("stored ", 0) == 0) << host.RestOfErrors();
        acknowledged = std::stoul(line->substr(7));
    }
    host.Signal(SIGKILL);
    EXPECT_EQ(host.Wait(), 128 + SIGKILL);
    flood.join();

    next_start.Start();
    const TMsgList& inbox = next_start.Controller().Inbox();
    ASSERT_GE(inbox.Count(), acknowledged);
    ASSERT_LT(inbox.Count(), static_cast<size_t>(kFlood)) << "the kill came after the flood";
    for (size_t i = 0; i < inbox.Count(); ++i) {
        ASSERT_EQ(inbox.Item(i).Text, "flood " + std::to_string(i));
    }
    EXPECT_TRUE(next_start.View().dialogs.boxes.empty()) << "the file is intact";
}

}  // namespace
}  // namespace lyr
