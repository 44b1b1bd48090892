// SPDX-License-Identifier: GPL-3.0-or-later
// Receiving a message through the fakes: what is stored, answered and shown.
#include <gtest/gtest.h>

#include <filesystem>

#include "messaging/controller_fixture.h"
#include "messaging/message_texts.h"

namespace lyr {
namespace {

using test::Ansi;
using test::Oem;

class ReceivingTest : public test::ControllerFixture {
protected:
    void StartAs(const std::string& nik) {
        PresetIdentity("Nik", nik);
        PresetIdentity("BusyText", Ansi("Ушла на обед"));
        PresetIdentity("ReplyText", Ansi("Я в отпуске"));
        Start();
        View().log.calls.clear();
    }
    const TMsgData& Newest() { return Controller().Inbox().Item(Controller().Inbox().Count() - 1); }
    std::vector<std::string> Calls() const { return views_->log.calls; }
    size_t CountOf(const std::string& call) const {
        return std::count(views_->log.calls.begin(), views_->log.calls.end(), call);
    }
};

TEST_F(ReceivingTest, AnEmptySenderOrTextIsNeitherStoredNorShown) {
    StartAs("Anna");
    const std::string hint = View().tray.hint;
    Controller().MainSlotMessage({.sender = "", .receiver = "TESTPC", .text = "text"});
    Controller().MainSlotMessage({.sender = "PEER", .receiver = "TESTPC", .text = ""});
    EXPECT_EQ(Controller().Inbox().Count(), 0u);
    EXPECT_EQ(Controller().InboxCount(), 0);
    EXPECT_EQ(Controller().LastSender(), "");
    EXPECT_EQ(View().tray.hint, hint);
    EXPECT_TRUE(View().shell.beeps.empty());
    EXPECT_TRUE(Calls().empty());
}

TEST_F(ReceivingTest, TextIsConvertedAndLosesItsTrailingLineBreaksOnly) {
    StartAs("Anna");
    Receive("PEER", "Привет\r\n\r\nмир\r\n\r\n");
    EXPECT_EQ(Newest().Text, Ansi("Привет\r\n\r\nмир"));
    Receive("PEER", "\r\n\r\n\n");
    EXPECT_EQ(Controller().Inbox().Count(), 2u) << "a text of line breaks only is stored";
    EXPECT_EQ(Newest().Text, "");
}

TEST_F(ReceivingTest, NamesAreStoredUnconvertedAndCutTo30WhileRepliesReachTheFullName) {
    StartAs("Anna");
    const std::string oem_sender = Oem("Пётр") + std::string(40, 'X');
    const std::string receiver(35, 'R');
    Controller().MainSlotMessage({.sender = oem_sender, .receiver = receiver, .text = "hi"});
    EXPECT_EQ(Newest().FromName.Text(), oem_sender.substr(0, 30));
    EXPECT_EQ(Newest().ToName.Text(), receiver.substr(0, 30));
    EXPECT_EQ(Controller().LastSender(), oem_sender);
}

TEST_F(ReceivingTest, TheFirstMessageSetsInboxPosAndLaterOnesLeaveIt) {
    Options().SetShowMsg(false);
    StartAs("Anna");
    Receive("PEER", "первое");
    EXPECT_EQ(Controller().InboxPos(), 1);
    EXPECT_EQ(View().panes.rec_text, Ansi("первое"));
    Receive("PEER", "второе");
    EXPECT_EQ(Controller().InboxPos(), 1);
    EXPECT_EQ(View().panes.rec_text, Ansi("первое"));
    EXPECT_EQ(Controller().InboxCount(), 2);
    EXPECT_EQ(View().tray.hint, Ansi("Messenger - активен, писем: 2"));
}

TEST_F(ReceivingTest, BeepCountAndAnimationForEveryStoredMessage) {
    StartAs("Anna");
    Receive("PEER", "one");
    EXPECT_EQ(View().shell.beeps, std::vector<std::uint32_t>{kDefaultBeep});
    EXPECT_EQ(Calls().front(), "SetRecText") << "the first message goes to the pane first";
    EXPECT_EQ(CountOf("StartTrayAnimation"), 1u);
    EXPECT_EQ(Calls().back(), "StopTrayAnimation");
    EXPECT_FALSE(View().tray.animating);

    Options().SetRecBeep(false);
    Receive("PEER", "two");
    EXPECT_EQ(View().shell.beeps.size(), 1u);
}

TEST_F(ReceivingTest, BusyAnswersWithTheBusyTextAndShowsNothing) {
    StartAs("Anna");
    Controller().miActiveClick(Control{1});
    View().panes.send_text = "what the user was typing";
    View().log.calls.clear();
    Receive("PEER", "are you there?");
    EXPECT_EQ(mailslots_.opened, std::vector<std::string>{"\\\\PEER\\mailslot\\messngr"});
    ASSERT_EQ(mailslots_.written.size(), 1u);
    EXPECT_EQ(
        mailslots_.written[0],
        BuildMessengerDatagram({.sender = "Anna (TESTPC)",
                                .receiver = "PEER",
                                .text = Oem("Anna занят, он оставил сообщение:\r\nУшла на обед")}));
    EXPECT_EQ(View().panes.send_text, "") << "sent, and ClearMsg is on";
    EXPECT_EQ(CountOf("ShowMainWindow"), 0u);
    EXPECT_TRUE(View().dialogs.boxes.empty());
    EXPECT_EQ(Controller().Inbox().Count(), 1u);
}

TEST_F(ReceivingTest, BusyWithAutoReplyGivesOnlyTheBusyAnswer) {
    StartAs("Anna");
    Controller().smiAutoReplyClick();
    Controller().miActiveClick(Control{1});
    Receive("PEER", "hello");
    ASSERT_EQ(Sent().size(), 1u);
    EXPECT_EQ(Sent()[0].text, Oem("Anna занят, он оставил сообщение:\r\nУшла на обед"));
    EXPECT_EQ(CountOf("ShowMainWindow"), 0u);
}

TEST_F(ReceivingTest, AutoReplyQuotesTheMessageAndLeavesTheReceivePaneAsItWas) {
    Options().SetShowMsg(false);
    StartAs("Anna");
    Receive("PEER", "earlier");
    TakeSent();
    Controller().smiAutoReplyClick();
    View().panes.rec_text = Ansi("что было");
    Receive("PEER", "Привет\r\n\r\nкак дела\r\n");
    ASSERT_EQ(mailslots_.written.size(), 1u);
    EXPECT_EQ(mailslots_.written[0],
              BuildMessengerDatagram(
                  {.sender = "Anna (TESTPC)",
                   .receiver = "PEER",
                   .text = Oem(">Привет\r\n>\r\n>как дела\r\nAnna в режиме автоответа.\r\n"
                               "Я в отпуске")}));
    EXPECT_EQ(View().panes.rec_text, Ansi("что было"));
}

TEST_F(ReceivingTest, TheAnswerGoesOutBeforeTheNotification) {
    Options().SetWindowType(0);
    StartAs("Anna");
    Controller().smiAutoReplyClick();
    size_t written_while_shown = 0;
    View().dialogs.while_box_open = [&](const MessageBoxRequest&) {
        written_while_shown = mailslots_.written.size();
    };
    Receive("PEER", "hi");
    EXPECT_EQ(View().dialogs.boxes.size(), 1u);
    EXPECT_EQ(written_while_shown, 1u);
}

TEST_F(ReceivingTest, RepliesGoToTheComputerInParentheses) {
    computer_name_ = "PC1";
    StartAs("PC1");
    Controller().miActiveClick(Control{1});
    Receive("Ivan (PC7)", "one");
    EXPECT_EQ(Controller().LastSender(), "PC7");
    ASSERT_EQ(Sent().size(), 1u);
    EXPECT_EQ(Sent()[0].receiver, "PC7");
    EXPECT_EQ(Sent()[0].sender, "PC1 (PC1)") << "replies name the computer even when Nik is it";
    TakeSent();
    Receive("PC2", "two");
    EXPECT_EQ(mailslots_.opened, std::vector<std::string>{"\\\\PC2\\mailslot\\messngr"});
}

TEST_F(ReceivingTest, ClearMsgOffKeepsTheAnswerAndAFailedSendKeepsItToo) {
    Options().SetClearMsg(false);
    Options().SetSendBeep(true);
    StartAs("Anna");
    Controller().miActiveClick(Control{1});
    Receive("PEER", "one");
    EXPECT_EQ(View().panes.send_text, Ansi("Anna занят, он оставил сообщение:\r\nУшла на обед"));

    Options().SetClearMsg(true);
    mailslots_.can_open = false;
    tick_ += kAnswerWindowMilliseconds;
    View().panes.send_text = "";
    Receive("PEER", "two");
    EXPECT_EQ(View().panes.send_text, Ansi("Anna занят, он оставил сообщение:\r\nУшла на обед"));
    EXPECT_TRUE(View().dialogs.boxes.empty()) << "the reply path fails silently";
    EXPECT_EQ(View().shell.beeps,
              (std::vector<std::uint32_t>{kDefaultBeep, kSimpleBeep, kDefaultBeep, kSimpleBeep}))
        << "the send beep sounds whether or not the send succeeded";
}

TEST_F(ReceivingTest, ShowMsgOffStoresBeepsAndAnswersWithoutAWindow) {
    Options().SetShowMsg(false);
    Options().SetWindowType(0);
    StartAs("Anna");
    Controller().smiAutoReplyClick();
    Receive("PEER", "hi");
    EXPECT_EQ(Controller().Inbox().Count(), 1u);
    EXPECT_EQ(View().shell.beeps.size(), 1u);
    EXPECT_EQ(Sent().size(), 1u);
    EXPECT_TRUE(View().dialogs.boxes.empty());
    EXPECT_EQ(CountOf("ShowMainWindow"), 0u);
}

TEST_F(ReceivingTest, WindowType0ShowsATopmostBoxAndGivesTheFocusBack) {
    Options().SetWindowType(0);
    StartAs("Anna");
    Controller().MainSlotMessage({.sender = "PEER", .receiver = "PC1", .text = Oem("Привет")});
    ASSERT_EQ(View().dialogs.boxes.size(), 1u);
    EXPECT_EQ(View().dialogs.boxes[0],
              (MessageBoxRequest{Ansi("Сообщение от PEER для PC1\r\nПривет"), "Lyr Messenger",
                                 BoxIcon::Information, true}));
    const std::vector<std::string> expected = {
        "SetRecText",     "SetTrayHint",      "StartTrayAnimation",      "RememberForegroundWindow",
        "ShowMessageBox", "MessageBoxClosed", "RestoreForegroundWindow", "StopTrayAnimation"};
    EXPECT_EQ(Calls(), expected);
}

TEST_F(ReceivingTest, WindowType1ShowsTheMessageInTheMainWindow) {
    StartAs("Anna");
    Receive("PEER", "first");
    Receive("PEER", "second");
    EXPECT_EQ(View().panes.rec_text, "second");
    EXPECT_FALSE(View().panes.rec_text_first_line_emphasized);
    EXPECT_EQ(View().panes.from_panel_caption, Ansi("От: PEER ") + DateTimeText(Newest().Time));
    EXPECT_TRUE(View().window.visible);
    EXPECT_EQ(CountOf("RestoreForegroundWindow"), 0u);
    EXPECT_EQ(Controller().InboxPos(), 1) << "the pane shows the new one, the position stays";
}

TEST_F(ReceivingTest, WindowType1WithTheSenderPanelHiddenPutsABoldItalicHeaderLine) {
    StartAs("Anna");
    View().panes.from_panel_visible = false;
    Receive("PEER", "line 1\r\nline 2");
    EXPECT_EQ(View().panes.rec_text,
              "PEER " + DateTimeText(Newest().Time) + " :\r\nline 1\r\nline 2");
    EXPECT_TRUE(View().panes.rec_text_first_line_emphasized);
}

TEST_F(ReceivingTest, WindowType2ShowsTheMessageWindow) {
    Options().SetWindowType(2);
    Options().SetUserWinColor(0x123456);
    StartAs("Anna");
    View().window.visible = true;
    Controller().MainSlotMessage({.sender = "PEER", .receiver = "PC1", .text = "hi"});
    ASSERT_EQ(View().dialogs.message_windows.size(), 1u);
    EXPECT_EQ(
        View().dialogs.message_windows[0],
        (MessageWindowRequest{0x123456, Ansi("От: PEER (") + DateTimeText(Newest().Time) + ")",
                              Ansi("Сообщение от PEER для PC1\r\nhi")}));
    const std::vector<std::string> calls = Calls();
    const std::vector<std::string> tail(calls.end() - 4, calls.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"ShowMessageWindow", "FocusMainWindow",
                                              "RestoreForegroundWindow", "StopTrayAnimation"}));
    View().window.visible = false;
    Receive("PEER", "again");
    EXPECT_EQ(CountOf("FocusMainWindow"), 1u) << "a hidden main window does not get the focus";
}

TEST_F(ReceivingTest, WindowType3ShowsNothing) {
    Options().SetWindowType(3);
    StartAs("Anna");
    Receive("PEER", "hi");
    EXPECT_TRUE(View().dialogs.boxes.empty());
    EXPECT_TRUE(View().dialogs.message_windows.empty());
    EXPECT_EQ(CountOf("ShowMainWindow"), 0u);
}

TEST_F(ReceivingTest, ABusyUserIsNotNotified) {
    Options().SetWindowType(0);
    StartAs("Anna");
    Controller().miActiveClick(Control{1});
    Receive("PEER", "hi");
    EXPECT_TRUE(View().dialogs.boxes.empty());
}

TEST_F(ReceivingTest, EveryShownMessageAlsoRaisesADesktopNotification) {
    using Notification = test::FakeShell::DesktopNotification;
    StartAs("Anna");
    std::vector<Notification> expected;
    for (int type = 0; type < 4; ++type) {
        Options().SetWindowType(type);
        Receive("PEER", "line 1\r\nline 2\r\n");
        expected.push_back({type + 1, "PEER", "line 1\r\nline 2"});
    }
    Options().SetDesktopNotify(false);
    Receive("PEER", "the setting is off");
    Options().SetDesktopNotify(true);
    Options().SetShowMsg(false);
    Receive("PEER", "nothing is shown");
    Options().SetShowMsg(true);
    Controller().miActiveClick(Control{1});
    Receive("PEER", "busy");
    Controller().miActiveClick(Control{0});
    Receive("OLGA", "shown again");
    expected.push_back({8, "OLGA", "shown again"});
    EXPECT_EQ(View().shell.desktop_notifications, expected);
}

TEST_F(ReceivingTest, TheNotificationsActionsShowThatMessageAndPrepareItsReply) {
    Options().SetWindowType(3);
    StartAs("Anna");
    Receive("PEER", "first\r\nquestion");
    Receive("OLGA", "second");
    Receive("IVAN", "third");
    Controller().OpenReceived(2, false);
    EXPECT_EQ(Controller().InboxPos(), 2);
    EXPECT_EQ(View().panes.rec_text, "second");
    EXPECT_EQ(View().panes.from_panel_caption,
              Ansi("От: OLGA ") + DateTimeText(Controller().Inbox().Item(1).Time));
    EXPECT_TRUE(View().window.visible);
    EXPECT_EQ(CountOf("FocusSendText"), 0u);

    View().window.visible = false;
    View().panes.send_text = "typed before";
    Controller().OpenReceived(1, true);
    EXPECT_EQ(Controller().InboxPos(), 1);
    EXPECT_TRUE(View().window.visible);
    EXPECT_EQ(View().panes.send_text, ">first\r\n>question");
    EXPECT_EQ(View().panes.focused, Pane::SendText);

    View().panes.focused = Pane::RecText;
    Controller().miDelMsgClick();
    Controller().miDelMsgClick();
    Controller().OpenReceived(3, false);
    EXPECT_EQ(Controller().InboxPos(), 1) << "a deleted message's position shows what it showed";
    EXPECT_EQ(View().panes.rec_text, "third");
}

TEST_F(ReceivingTest, AutomaticAnswersAreNotAnswered) {
    StartAs("Anna");
    Controller().smiAutoReplyClick();
    Receive("Boris (PCB)", "Boris занят, он оставил сообщение:\r\nна совещании");
    Receive("Olga (PCO)", ">hi\r\nOlga в режиме автоответа.\r\nв отпуске до понедельника");
    Receive("Ivan (PCI)", "Ivan в режиме автоответа.\r\n");
    Receive("Petr (PCP)", ">a quote\r\n>cut at 400 characters bef");
    EXPECT_TRUE(Sent().empty());
    EXPECT_EQ(Controller().Inbox().Count(), 4u) << "they are stored and shown as any message";

    Receive("Boris (PCB)", ">your answer\r\nthanks, and a line of my own");
    EXPECT_EQ(Sent().size(), 1u) << "a person's reply that quotes is answered";
}

TEST_F(ReceivingTest, AutomaticAnswersNeverGoToAGroup) {
    user_list_.Replace({WholeNetworkEntry(),
                        {"OFFICE", "OFFICE", 0, TUserData::kGroup},
                        {"PC5", "OFFICE", 0, TUserData::kComputer}});
    StartAs("Anna");
    Controller().miActiveClick(Control{1});
    for (const char* sender : {"X (*)", "X (OFFICE)", "X (office)", "X (TESTGROUP)", "(X)"}) {
        Receive(sender, "everyone gets my text back");
    }
    EXPECT_TRUE(Sent().empty()) << "the whole network, a listed group, our own workgroup";
    EXPECT_EQ(Controller().Inbox().Count(), 5u) << "the messages themselves are kept";
    Receive("Ivan (PC5)", "hi");
    ASSERT_EQ(Sent().size(), 1u) << "a computer of that group is answered";
    EXPECT_EQ(Sent()[0].receiver, "PC5");
}

TEST_F(ReceivingTest, EveryMessageAPersonSendsIsAnsweredAndAFloodStaysBounded) {
    StartAs("Anna");
    Controller().smiAutoReplyClick();
    Receive("Ivan (PCI)", "are you there?");
    tick_ += 5000;
    Receive("ivan (pci)", "it is urgent");
    EXPECT_EQ(TakeSent().size(), 2u) << "two messages 5 s apart, two answers";

    for (int i = 0; i < 200; ++i) {
        Receive("Bot (PCB)", "flood " + std::to_string(i));
    }
    EXPECT_EQ(TakeSent().size(), kAnswersPerAddress) << "one sender's flood";
    for (int i = 0; i < 200; ++i) {
        Receive("Bot (PC" + std::to_string(i) + ")", "flood");
    }
    EXPECT_EQ(TakeSent().size(), kAnswersInAll - 2 - kAnswersPerAddress)
        << "a flood under many names, within the same minute";
    EXPECT_EQ(Controller().Inbox().Count(), 402u) << "every message is still kept";

    tick_ += kAnswerWindowMilliseconds;
    Receive("Ivan (PCI)", "back again");
    EXPECT_EQ(TakeSent().size(), 1u) << "answers resume once the flood has passed";
}

// Two copies that answer automatically, each delivering what it writes to the other.
TEST(AnswerStormTest, TwoCopiesAnsweringAutomaticallyExchangeOneAnswer) {
    for (int mode = 0; mode < 4; ++mode) {
        const bool a_busy = mode & 1;
        const bool b_busy = mode & 2;
        test::ControllerHarness a;
        test::ControllerHarness b;
        a.computer_name_ = "PCA";
        b.computer_name_ = "PCB";
        a.PresetIdentity("Nik", "Anna");
        b.PresetIdentity("Nik", "Boris");
        for (auto [copy, busy] : {std::pair{&a, a_busy}, std::pair{&b, b_busy}}) {
            copy->Preset("AutoReply", busy ? 0 : 1);
            copy->Start();
            if (busy) {
                copy->Controller().miActiveClick(Control{1});
            }
        }
        b.Receive("Anna (PCA)", "Привет, Борис\r\nесть минута?");
        size_t datagrams = 0;
        for (int round = 0; round < 20; ++round) {
            for (auto [from, to] : {std::pair{&a, &b}, std::pair{&b, &a}}) {
                for (const MessengerMessage& message : from->TakeSent()) {
                    ++datagrams;
                    to->Controller().MainSlotMessage(message);
                }
            }
        }
        EXPECT_EQ(datagrams, 1u) << "mode " << mode;
        EXPECT_EQ(a.Controller().Inbox().Count(), 1u) << "mode " << mode;
    }
}

TEST_F(ReceivingTest, AMessageArrivingWhileABoxIsOpenIsStoredAtOnceAndShownAfterIt) {
    Options().SetWindowType(0);
    StartAs("Anna");
    bool delivered = false;
    size_t stored_while_open = 0;
    std::string file_while_open;
    View().dialogs.while_box_open = [&](const MessageBoxRequest&) {
        if (!delivered) {
            delivered = true;
            Receive("PEER", "second");
            stored_while_open = Controller().Inbox().Count();
            file_while_open = test::ReadFile(DataFile("inbox.dat"));
        }
    };
    Receive("PEER", "first");
    EXPECT_EQ(stored_while_open, 2u);
    EXPECT_EQ(file_while_open, Controller().Inbox().ToBytes());
    ASSERT_EQ(View().dialogs.boxes.size(), 2u);
    EXPECT_EQ(View().dialogs.boxes[1].Text, Ansi("Сообщение от PEER для TESTPC\r\nsecond"));
    std::vector<std::string> boxes_and_animation;
    for (const std::string& call : Calls()) {
        if (call.find("Box") != std::string::npos || call.find("Animation") != std::string::npos) {
            boxes_and_animation.push_back(call);
        }
    }
    const std::vector<std::string> expected = {
        "StartTrayAnimation", "ShowMessageBox", "MessageBoxClosed", "StopTrayAnimation",
        "StartTrayAnimation", "ShowMessageBox", "MessageBoxClosed", "StopTrayAnimation"};
    EXPECT_EQ(boxes_and_animation, expected) << "one after the other, not one inside the other";
}

TEST_F(ReceivingTest, MessagesArrivingDuringTheStartUpFollowTheStoredOnes) {
    TMsgList stored;
    TMsgData old;
    old.FromName = "OLD";
    old.Text = "stored before";
    stored.Append(old);
    stored.SaveToFile(DataFile("inbox.dat"));
    View().window.on_step = [&](const std::string& step) {
        if (step == "LoadSkin") {
            Receive("PEER", "during the start-up");
        }
    };
    Start();
    ASSERT_EQ(Controller().Inbox().Count(), 2u);
    EXPECT_EQ(Controller().Inbox().Item(0).Text, "stored before");
    EXPECT_EQ(Controller().Inbox().Item(1).Text, "during the start-up");
    EXPECT_EQ(Controller().InboxCount(), 2);
    EXPECT_EQ(test::ReadFile(DataFile("inbox.dat")), Controller().Inbox().ToBytes());
}

TEST_F(ReceivingTest, EveryStoredMessageIsInTheFileAtOnce) {
    StartAs("Anna");
    for (const char* text : {"one", "two", "three"}) {
        Receive("PEER", text);
        EXPECT_EQ(test::ReadFile(DataFile("inbox.dat")), Controller().Inbox().ToBytes()) << text;
    }
}

TEST_F(ReceivingTest, AFailingFileIsReportedOnceAndRewrittenWholeWhenItWorksAgain) {
    StartAs("Anna");
    Receive("PEER", "one");
    std::filesystem::remove(DataFile("inbox.dat"));
    std::filesystem::create_directory(DataFile("inbox.dat"));
    Receive("PEER", "two");
    Receive("PEER", "three");
    ASSERT_EQ(View().dialogs.errors.size(), 1u);
    EXPECT_NE(View().dialogs.errors[0].find("inbox.dat"), std::string::npos);
    EXPECT_EQ(Controller().Inbox().Count(), 3u) << "kept in memory meanwhile";
    EXPECT_FALSE(View().tray.animating);

    std::filesystem::remove(DataFile("inbox.dat"));
    Receive("PEER", "four");
    EXPECT_EQ(test::ReadFile(DataFile("inbox.dat")), Controller().Inbox().ToBytes());
    EXPECT_EQ(View().dialogs.errors.size(), 1u);
}

TEST_F(ReceivingTest, ReplyMsgQuotesTheReceivePane) {
    StartAs("Anna");
    View().panes.rec_text = "a\r\n\r\nb";
    Controller().ReplyMsg(nullptr);
    EXPECT_EQ(View().panes.send_text, ">a\r\n>\r\n>b");
    EXPECT_EQ(CountOf("FocusSendText"), 0u);
    const Control button;
    Controller().ReplyMsg(&button);
    EXPECT_EQ(CountOf("FocusSendText"), 1u);
}

}  // namespace
}  // namespace lyr
