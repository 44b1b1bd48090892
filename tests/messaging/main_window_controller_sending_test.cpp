// SPDX-License-Identifier: GPL-3.0-or-later
// Sending from the main window through the fakes: the datagrams written, the sent record, the
// boxes, and the commands that send.
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

#include "app/virtual_key_codes.h"
#include "messaging/controller_fixture.h"
#include "support/pumped_ui_thread.h"
#include "support/temp_dir.h"

namespace lyr {
namespace {

using test::Ansi;
using test::Oem;

const Control kSendButton{0};

TUserData Group(const std::string& name, bool checked = true) {
    return {name, name, 0, TUserData::kGroup, checked};
}

TUserData Computer(const std::string& name, const std::string& group, bool checked = true) {
    return {name, group, 0, TUserData::kComputer, checked};
}

class SendingTest : public test::ControllerFixture {
protected:
    void StartAs(const std::string& nik, const std::string& computer = "TESTPC") {
        computer_name_ = computer;
        PresetIdentity("Nik", nik);
        PresetIdentity("BusyText", Ansi("Занят"));
        Options().SetShowMsg(false);
        Options().SetClearMsg(false);
        Options().SetSaveUserBoxes(true);
        Start();
    }
    void Tick(std::vector<TUserData> entries) { user_list_.Replace(std::move(entries)); }
    void Type(const std::string& utf8) { View().panes.send_text = Ansi(utf8); }
    std::vector<std::string> Receivers() const {
        std::vector<std::string> receivers;
        for (const MessengerMessage& message : Sent()) {
            receivers.push_back(message.receiver);
        }
        return receivers;
    }
    std::vector<std::string> Opened() const { return mailslots_.opened; }
    static std::string Slot(const std::string& server) {
        return MakeMailslotPath(server, kMessengerSlot);
    }
    const std::vector<MessageBoxRequest>& Boxes() { return View().dialogs.boxes; }
};

// Computers whose names take long to look up: every write waits at a gate until the test opens
// it; only `reachable` then takes the message.
class SlowNetwork : public test::MessengerMailslotsBase {
public:
    std::unique_ptr<MailslotWriteHandle> OpenForWrite(const std::string& name) override {
        std::unique_lock lock(mutex_);
        ++waiting_;
        changed_.notify_all();
        changed_.wait(lock, [this] { return open_; });
        if (name != MakeMailslotPath(reachable, kMessengerSlot)) {
            return nullptr;
        }
        struct Taker : MailslotWriteHandle {
            std::optional<size_t> Write(std::string_view data) override { return data.size(); }
        };
        return std::make_unique<Taker>();
    }
    bool WaitUntilWaiting(int writers) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(20),
                                 [&] { return waiting_ >= writers; });
    }
    int Waiting() {
        std::lock_guard lock(mutex_);
        return waiting_;
    }
    void Open() {
        std::lock_guard lock(mutex_);
        open_ = true;
        changed_.notify_all();
    }

    std::string reachable;

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int waiting_ = 0;
    bool open_ = false;
};

// The names are looked up while the window goes on: SendMsg returns at once, every addressee is
// looked up at the same time, a second send waits for the first, and the outcome is the one the
// list path gives when the writes are done.
TEST_F(SendingTest, ASendOnItsWayLeavesTheWindowFreeAndEndsAsTheListPathSays) {
    SlowNetwork network;
    network.reachable = "PC3";
    test::PumpedUiThread ui;
    real_mailslots_ = &network;
    real_ui_thread_ = &ui;
    send_in_background_ = true;
    StartAs("Anna");
    Options().SetClearMsg(true);
    Tick({WholeNetworkEntry(), Computer("PC1", ""), Computer("PC2", ""), Computer("PC3", "")});
    Type("Привет");
    Controller().SendMsg(&kSendButton);
    ASSERT_TRUE(network.WaitUntilWaiting(3)) << "the addressees are looked up one after another";
    EXPECT_TRUE(Controller().Sending());
    EXPECT_FALSE(View().window.send_enabled);
    Controller().SendMsg(&kSendButton);
    Receive("PC9", "Входящее");
    EXPECT_EQ(Controller().Inbox().Count(), 1u) << "the window receives while the send is away";

    Type("новый текст");  // typed while the first message is on its way
    network.Open();
    ASSERT_TRUE(ui.PumpUntil([&] { return !Controller().Sending(); }));
    EXPECT_TRUE(View().window.send_enabled);
    EXPECT_EQ(network.Waiting(), 3) << "a send while one is on its way is not taken";
    EXPECT_TRUE(Boxes().empty()) << "the last write went out";
    ASSERT_EQ(Controller().Outbox().Count(), 1u);
    EXPECT_EQ(Controller().Outbox().Item(0).ToName.Text(), "PC1 PC2 PC3");
    EXPECT_EQ(Controller().Outbox().Item(0).Text, Ansi("Привет"));
    EXPECT_EQ(View().panes.send_text, Ansi("новый текст")) << "what was typed meanwhile stays";
    controller_.reset();
}

TEST_F(SendingTest, TheWholeNetworkTickedSendsOneDatagramToStarAndNothingElse) {
    StartAs("Anna");
    TUserData everyone = WholeNetworkEntry();
    everyone.Checked = true;
    Tick({everyone, Group("WG1"), Computer("PC1", "WG1"), Computer("PC9", "WG2")});
    Type("Всем привет");
    Controller().SendMsg(&kSendButton);

    EXPECT_EQ(Opened(), std::vector<std::string>{Slot("*")});
    ASSERT_EQ(Sent().size(), 1u);
    EXPECT_EQ(Sent()[0].receiver, "*");
    EXPECT_EQ(Sent()[0].sender, "Anna (TESTPC)");
    EXPECT_EQ(Sent()[0].text, Oem("Всем привет"));
    ASSERT_EQ(Controller().Outbox().Count(), 1u);
    const TMsgData& record = Controller().Outbox().Item(0);
    EXPECT_EQ(record.ToName.Text(), "*");
    EXPECT_EQ(record.FromName.Text(), "TESTPC");
    EXPECT_EQ(record.Text, Ansi("Всем привет"));
    EXPECT_GT(record.Time, 40000.0) << "stamped with the current time";
    EXPECT_EQ(Controller().OutboxPos(), 0) << "sending does not move the outbox position";
    EXPECT_EQ(test::ReadFile(DataFile("outbox.dat")), Controller().Outbox().ToBytes())
        << "the record reaches the file at once";
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(SendingTest, AComputerOfAnAddressedGroupIsLeftToTheGroupsDatagram) {
    StartAs("Anna");
    Tick({WholeNetworkEntry(), Group("WG1"), Computer("PC1", "WG1"), Computer("PC2", "WG1", false),
          Group("WG2", false), Computer("PC3", "WG2"), Computer("LONE", "")});
    Type("x");
    Controller().SendMsg(&kSendButton);
    EXPECT_EQ(Receivers(), (std::vector<std::string>{"WG1", "PC3", "LONE"}));
    ASSERT_EQ(Controller().Outbox().Count(), 1u);
    EXPECT_EQ(Controller().Outbox().Item(0).ToName.Text(), "WG1 PC3 LONE");
}

TEST_F(SendingTest, TheNamesOfTheRecordAreCutTo30) {
    StartAs("Anna");
    Tick({Computer("COMPUTER-NUMBER-01", "WG"), Computer("COMPUTER-NUMBER-02", "WG")});
    Type("x");
    Controller().SendMsg(&kSendButton);
    ASSERT_EQ(Controller().Outbox().Count(), 1u);
    EXPECT_EQ(Controller().Outbox().Item(0).ToName.Text(),
              std::string("COMPUTER-NUMBER-01 COMPUTER-NUMBER-02").substr(0, 30));
}

TEST_F(SendingTest, TheSecondOfTwoComputersUnreachableNamesBothAndRecordsNothing) {
    StartAs("Anna");
    Options().SetClearMsg(true);
    Options().SetSendBeep(true);
    Options().SetHideASend(true);
    View().window.visible = true;
    mailslots_.unreachable = {"PC2"};
    Tick({Computer("PC1", "WG1"), Computer("PC2", "WG1")});
    Type("Привет");
    Controller().SendMsg(&kSendButton);

    EXPECT_EQ(Opened(), (std::vector<std::string>{Slot("PC1"), Slot("PC2")}));
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0],
              (MessageBoxRequest{Ansi("Не могу доставить сообщение адресату \"PC1 PC2\"."),
                                 "Zendry Messenger", BoxIcon::Error, false}));
    EXPECT_EQ(Controller().Outbox().Count(), 0u);
    EXPECT_FALSE(std::filesystem::exists(DataFile("outbox.dat")) &&
                 !test::ReadFile(DataFile("outbox.dat")).empty());
    EXPECT_EQ(View().panes.send_text, Ansi("Привет")) << "a failed send keeps the text";
    EXPECT_TRUE(View().window.visible);
    EXPECT_TRUE(View().shell.beeps.empty());
}

TEST_F(SendingTest, TheLastSendDecidesSoAnUnreachableFirstComputerStillCountsAsSent) {
    StartAs("Anna");
    Options().SetClearMsg(true);
    Options().SetSendBeep(true);
    Options().SetHideASend(true);
    View().window.visible = true;
    mailslots_.unreachable = {"PC1"};
    Tick({Computer("PC1", "WG1"), Computer("PC2", "WG1")});
    Type("Привет");
    Controller().SendMsg(&kSendButton);
    EXPECT_TRUE(Boxes().empty());
    ASSERT_EQ(Controller().Outbox().Count(), 1u);
    EXPECT_EQ(Controller().Outbox().Item(0).ToName.Text(), "PC1 PC2");
    EXPECT_EQ(View().panes.send_text, "") << "ClearMsg empties the pane after a send";
    EXPECT_FALSE(View().window.visible) << "HideASend";
    EXPECT_EQ(View().shell.beeps, std::vector<std::uint32_t>{kSimpleBeep});
}

TEST_F(SendingTest, NothingTickedSendsNothingAndSaysSo) {
    StartAs("Anna");
    Tick({WholeNetworkEntry(), Group("WG1", false), Computer("PC1", "WG1", false)});
    Type("x");
    Controller().SendMsg(&kSendButton);
    EXPECT_TRUE(Opened().empty());
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].Text, Ansi("Не выбран ни один адресат."));
    EXPECT_EQ(Boxes()[0].Icon, BoxIcon::Error);
    EXPECT_EQ(Controller().Outbox().Count(), 0u);
}

TEST_F(SendingTest, ANikEqualToTheComputerNameStandsAloneOnlyOnTheListPath) {
    StartAs("PC1", "PC1");
    Tick({Computer("PC2", "WG")});
    Type("x");
    Controller().SendMsg(&kSendButton);
    Controller().MainSlotMessage({.sender = "PC2", .receiver = "PC1", .text = "hello"});
    Controller().SendMsg(nullptr);
    ASSERT_EQ(Sent().size(), 2u);
    EXPECT_EQ(Sent()[0].sender, "PC1");
    EXPECT_EQ(Sent()[1].sender, "PC1 (PC1)");
}

TEST_F(SendingTest, A450CharacterTextGoesOutAs400AndIsKeptWhole) {
    StartAs("Anna");
    Tick({Computer("PC1", "WG")});
    std::string text;
    for (int i = 0; i < 45; ++i) {
        text += "Сообщение";  // 9 letters
        text += (i % 5 == 4) ? "\r" : " ";
    }
    Type(text);
    ASSERT_EQ(View().panes.send_text.size(), 450u);
    Controller().SendMsg(&kSendButton);
    ASSERT_EQ(Sent().size(), 1u);
    EXPECT_EQ(Sent()[0].text, Oem(text).substr(0, 400));
    ASSERT_EQ(Controller().Outbox().Count(), 1u);
    EXPECT_EQ(Controller().Outbox().Item(0).Text, Ansi(text));
}

TEST_F(SendingTest, RepliesGoToTheComputerInTheParenthesesAndStayThere) {
    StartAs("Anna");
    mailslots_.unreachable = {"NOBODY"};
    Receive("Ivan (PC1)", "вопрос");
    Type("ответ");
    Controller().SendMsg(nullptr);
    EXPECT_EQ(Controller().LastSender(), "PC1");
    Controller().SendMsg(nullptr);
    Receive("PC2", "ещё");
    Controller().SendMsg(nullptr);
    Receive("NOBODY", "эй");
    Controller().SendMsg(nullptr);

    EXPECT_EQ(Opened(),
              (std::vector<std::string>{Slot("PC1"), Slot("PC1"), Slot("PC2"), Slot("NOBODY")}));
    EXPECT_EQ(Sent()[0].receiver, "PC1");
    EXPECT_EQ(Sent()[0].sender, "Anna (TESTPC)");
    EXPECT_EQ(Sent()[0].text, Oem("ответ"));
    EXPECT_EQ(Controller().Outbox().Count(), 0u) << "replies are not recorded";
    EXPECT_TRUE(Boxes().empty()) << "reply failures are silent";
}

TEST_F(SendingTest, TheReplyPathBeepsEvenWhenItFailsAndNeverHidesTheWindow) {
    StartAs("Anna");
    Options().SetSendBeep(true);
    Options().SetHideASend(true);
    Options().SetClearMsg(true);
    View().window.visible = true;
    mailslots_.unreachable = {"PC1"};
    Receive("PC1", "q");
    Type("a");
    Controller().SendMsg(nullptr);
    EXPECT_EQ(View().shell.beeps.back(), kSimpleBeep);
    EXPECT_TRUE(View().window.visible);
    EXPECT_EQ(View().panes.send_text, Ansi("a")) << "a failed reply keeps the text";
    mailslots_.unreachable.clear();
    Controller().SendMsg(nullptr);
    EXPECT_EQ(View().panes.send_text, "");
}

TEST_F(SendingTest, ClearMsgOffKeepsTheTextAfterEverySend) {
    StartAs("Anna");
    Tick({Computer("PC1", "WG")});
    Type("текст");
    Controller().SendMsg(&kSendButton);
    EXPECT_EQ(View().panes.send_text, Ansi("текст"));
    Controller().miActiveClick(Control{1});  // Busy: messages are answered
    Receive("PC1", "ты тут?");
    ASSERT_EQ(Sent().size(), 2u) << "the busy answer went out";
    EXPECT_EQ(View().panes.send_text, Ansi("Anna занят, он оставил сообщение:\r\nЗанят"))
        << "the answer stays in the pane";
}

TEST_F(SendingTest, CtrlEnterAndThePopupItemSendFromTheList) {
    StartAs("Anna");
    Tick({Computer("PC1", "WG")});
    Type("x");
    const Control pane{0};
    Controller().SendTextKeyUp(pane, kVkReturn, false);
    Controller().SendTextKeyUp(pane, 'A', true);
    EXPECT_TRUE(Sent().empty()) << "Enter alone is a line break, Ctrl+A no send";
    Controller().SendTextKeyUp(pane, kVkReturn, true);
    Controller().N28Click(Control{0});
    EXPECT_EQ(Receivers(), (std::vector<std::string>{"PC1", "PC1"}));
    EXPECT_EQ(Controller().Outbox().Count(), 2u);
}

TEST_F(SendingTest, EnteringTheEntryPaneSaysSo) {
    StartAs("Anna");
    Controller().SendTextEnter();
    EXPECT_EQ(View().panes.info_text, Ansi("Ввод сообщения..."));
}

class QuickTextTest : public SendingTest {
protected:
    void SetUp() override {
        test::WriteFile(DataFile("reply.dat"), Ansi("Да, сейчас\r\n\r\nНет\r\n\r\n\r\n"));
        test::WriteFile(DataFile("macro.dat"), Ansi("С уважением, Анна\r\n\r\n"));
        StartAs("Anna");
        Receive("Ivan (PC1)", "Придёшь?\r\nВ пять");
        View().panes.rec_text = Ansi("Придёшь?\r\nВ пять");
    }
};

TEST_F(QuickTextTest, AQuickReplyQuotesTheMessageAndAnswersItsSender) {
    Controller().qr1Click(Control{0});
    const std::string expected = Ansi(">Придёшь?\r\n>В пять\r\nДа, сейчас");
    EXPECT_EQ(View().panes.send_text, expected);
    ASSERT_EQ(Sent().size(), 1u);
    EXPECT_EQ(Sent()[0].receiver, "PC1");
    EXPECT_EQ(Sent()[0].text, AnsiToOem(expected));
    EXPECT_EQ(Controller().Outbox().Count(), 0u);
}

TEST_F(QuickTextTest, AnEmptyOrMissingQuickReplyDoesNothing) {
    Type("мой текст");
    Controller().qr1Click(Control{1});
    Controller().qr1Click(Control{4});
    Controller().qr1Click(Control{7});
    EXPECT_TRUE(Sent().empty());
    EXPECT_EQ(View().panes.send_text, Ansi("мой текст"));
}

TEST_F(QuickTextTest, AMacroIsTypedAtTheCaretAndNotSent) {
    Type("Текст ");
    Controller().mcr1Click(Control{0});
    EXPECT_EQ(View().panes.posted_chars, Ansi("С уважением, Анна"));
    EXPECT_EQ(View().panes.send_text, Ansi("Текст ")) << "typed later, at the caret";
    Controller().mcr1Click(Control{3});
    EXPECT_EQ(View().panes.posted_chars, Ansi("С уважением, Анна")) << "no fourth macro";
    EXPECT_TRUE(Sent().empty());
}

}  // namespace
}  // namespace lyr
