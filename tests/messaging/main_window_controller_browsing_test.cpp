// SPDX-License-Identifier: GPL-3.0-or-later
// Paging, deleting, exporting and the pane commands over stores loaded at start.
#include <gtest/gtest.h>

#include "app/virtual_key_codes.h"
#include "messaging/controller_fixture.h"
#include "messaging/message_texts.h"
#include "platform/date_time.h"
#include "support/temp_dir.h"

namespace lyr {
namespace {

using test::Ansi;

TMsgData Record(const std::string& from, const std::string& to, const std::string& text,
                int minute) {
    TMsgData record;
    record.Time = EncodeDateTime({2024, 3, 5, 14, minute, 9, 0});
    record.FromName = from;
    record.ToName = to;
    record.Text = text;
    return record;
}

class BrowsingTest : public test::ControllerFixture {
protected:
    // Three received messages from PEER1..PEER3 and two sent ones, stored before the start.
    void StartWithStores(size_t received = 3, size_t sent = 2) {
        TMsgList inbox;
        for (size_t i = 1; i <= received; ++i) {
            const std::string n = std::to_string(i);
            inbox.Append(Record("PEER" + n, "TESTPC", Ansi("входящее ") + n, static_cast<int>(i)));
        }
        inbox.SaveToFile(DataFile("inbox.dat"));
        TMsgList outbox;
        for (size_t i = 1; i <= sent; ++i) {
            const std::string n = std::to_string(i);
            outbox.Append(Record("TESTPC", "PC" + n + " WG", Ansi("исходящее ") + n,
                                 static_cast<int>(10 + i)));
        }
        outbox.SaveToFile(DataFile("outbox.dat"));
        Options().SetSaveUserBoxes(true);
        Options().SetShowMsg(false);
        Start();
    }
    test::FakePanes& Panes() { return View().panes; }
    void Focus(Pane pane) { Panes().focused = pane; }
    std::string InboxStatus(size_t index) {
        const TMsgData& record = Controller().Inbox().Item(index - 1);
        return Ansi("Входящие: ") + std::to_string(index) + "/" +
               std::to_string(Controller().Inbox().Count()) + Ansi(" от: ") +
               record.FromName.Text() + " " + DateTimeText(record.Time);
    }
    std::string StoredFile(const char* name) { return test::ReadFile(DataFile(name)); }
};

TEST_F(BrowsingTest, PagingTheInboxStopsAtBothEnds) {
    StartWithStores();
    ASSERT_EQ(Controller().InboxPos(), 3);
    Controller().PrevMsg();
    EXPECT_EQ(Panes().rec_text, Ansi("входящее 2"));
    EXPECT_EQ(Panes().info_text, InboxStatus(2));
    EXPECT_EQ(Panes().from_panel_caption, FromPanelCaption(Controller().Inbox().Item(1)));
    Controller().PrevMsg();
    EXPECT_EQ(Panes().rec_text, Ansi("входящее 1"));
    Panes().info_text = "untouched";
    Controller().PrevMsg();
    EXPECT_EQ(Controller().InboxPos(), 1) << "no wrapping at the first message";
    EXPECT_EQ(Panes().info_text, "untouched");
    Controller().NextMsg();
    EXPECT_EQ(Panes().rec_text, Ansi("входящее 2"));
    Controller().NextMsg();
    Controller().NextMsg();
    EXPECT_EQ(Controller().InboxPos(), 3) << "no wrapping at the last message";
    EXPECT_EQ(Panes().rec_text, Ansi("входящее 3"));
}

TEST_F(BrowsingTest, PagingWithTheEntryPaneFocusedShowsSentMessagesOverTheTypedText) {
    StartWithStores();
    Focus(Pane::SendText);
    Panes().send_text = "typed";
    Controller().PrevMsg();
    EXPECT_EQ(Controller().OutboxPos(), 1);
    EXPECT_EQ(Panes().send_text, Ansi("исходящее 1"));
    const TMsgData& record = Controller().Outbox().Item(0);
    EXPECT_EQ(Panes().info_text, Ansi("Исходящие: 1/2 для: PC1 WG ") + DateTimeText(record.Time));
    Controller().PrevMsg();
    EXPECT_EQ(Controller().OutboxPos(), 1);
    Controller().NextMsg();
    Controller().NextMsg();
    EXPECT_EQ(Controller().OutboxPos(), 2);
    EXPECT_EQ(Controller().InboxPos(), 3) << "the inbox is left alone";
}

TEST_F(BrowsingTest, DeletingTheFirstShowsTheNewFirstAndRewritesTheFile) {
    StartWithStores();
    Controller().PrevMsg();
    Controller().PrevMsg();
    const std::string caption = Panes().from_panel_caption;
    Controller().DeleteMsg(nullptr);
    EXPECT_EQ(Controller().InboxPos(), 1);
    EXPECT_EQ(Panes().rec_text, Ansi("входящее 2"));
    EXPECT_EQ(Panes().info_text, InboxStatus(1));
    EXPECT_NE(Panes().info_text.find("1/2"), std::string::npos);
    EXPECT_EQ(Panes().from_panel_caption, caption) << "FromPanel keeps its caption";
    EXPECT_EQ(Controller().InboxCount(), 2);
    EXPECT_EQ(View().tray.hint, Ansi("Messenger - активен, писем: 2"));
    EXPECT_EQ(StoredFile("inbox.dat"), Controller().Inbox().ToBytes());
}

TEST_F(BrowsingTest, DeletingTheLastShowsTheOneBefore) {
    StartWithStores();
    Controller().DeleteMsg(nullptr);
    EXPECT_EQ(Controller().InboxPos(), 2);
    EXPECT_EQ(Panes().rec_text, Ansi("входящее 2"));
    EXPECT_EQ(Panes().info_text, InboxStatus(2));
}

TEST_F(BrowsingTest, DeletingTheOnlyMessageLeavesNothingShown) {
    StartWithStores(1, 1);
    Controller().RecTextKeyDown('A');
    EXPECT_EQ(Controller().Inbox().Count(), 1u) << "only Del deletes";
    Controller().RecTextKeyDown(kVkDelete);
    EXPECT_EQ(Controller().Inbox().Count(), 0u) << "Del in RecText deletes without asking";
    EXPECT_TRUE(View().dialogs.boxes.empty());
    EXPECT_EQ(Controller().InboxPos(), 0);
    EXPECT_EQ(Panes().rec_text, "");
    EXPECT_EQ(Panes().info_text, Ansi("Входящие: 0/0 "));
    EXPECT_EQ(View().tray.hint, Ansi("Messenger - активен, писем: 0"));
    EXPECT_EQ(StoredFile("inbox.dat"), "");
    Controller().DeleteMsg(nullptr);  // nothing shown: nothing happens
    EXPECT_EQ(Panes().info_text, Ansi("Входящие: 0/0 "));

    Focus(Pane::SendText);
    Controller().miDelMsgClick();
    EXPECT_EQ(Controller().Outbox().Count(), 0u);
    EXPECT_EQ(Panes().info_text, Ansi("Исходящие: 0/0 "));
    EXPECT_EQ(Panes().send_text, "");
    EXPECT_EQ(StoredFile("outbox.dat"), "");
}

TEST_F(BrowsingTest, DeletingInAnEmptyEntryPaneLeavesTheReceivedMessages) {
    StartWithStores(2, 0);
    Focus(Pane::SendText);
    Controller().miDelMsgClick();
    EXPECT_EQ(Controller().Inbox().Count(), 2u);
    EXPECT_EQ(Controller().InboxPos(), 2);
}

TEST_F(BrowsingTest, TheClearButtonEmptiesTheEntryPaneAndNeverDeletes) {
    StartWithStores();
    Focus(Pane::SendText);
    Controller().PrevMsg();
    const Control clear_button{0};
    Controller().DeleteMsg(&clear_button);
    EXPECT_EQ(Panes().send_text, "");
    EXPECT_EQ(Controller().Outbox().Count(), 2u);
    Focus(Pane::None);
    Controller().DeleteMsg(&clear_button);
    EXPECT_EQ(Controller().Inbox().Count(), 3u);
}

TEST_F(BrowsingTest, EnteringTheReceivePaneShowsItsPosition) {
    StartWithStores(0, 0);
    Controller().RecTextEnter();
    EXPECT_EQ(Panes().info_text, Ansi("Входящие: 0/0"));
    Receive("PEER", "новое");
    Controller().RecTextEnter();
    EXPECT_EQ(Panes().info_text, InboxStatus(1));
}

TEST_F(BrowsingTest, ExportWritesTheShownMessageByteForByte) {
    StartWithStores();
    Focus(Pane::RecText);
    Controller().PrevMsg();
    const std::filesystem::path file = temp_ / "export.txt";
    test::WriteFile(file, "an older file, longer than the export will be............");
    View().dialogs.export_choice = file;
    Controller().ExportMenuItemClick();
    const TMsgData& record = Controller().Inbox().Item(1);
    EXPECT_EQ(test::ReadFile(file), Ansi("От: PEER2 Дата:") + DateTimeText(record.Time) + "\r\n" +
                                        Ansi("входящее 2") + "\r\n-----------------");

    Focus(Pane::SendText);
    Controller().PrevMsg();
    Controller().ExportMenuItemClick();
    EXPECT_EQ(test::ReadFile(file), Ansi("От: TESTPC Дата:") +
                                        DateTimeText(Controller().Outbox().Item(0).Time) + "\r\n" +
                                        Ansi("исходящее 1") + "\r\n-----------------");
}

TEST_F(BrowsingTest, ExportFromAnEmptyStoreWritesThePaneAsItStands) {
    StartWithStores(0, 0);
    Focus(Pane::SendText);
    Panes().send_text = Ansi("черновик\r\n");
    const std::filesystem::path file = temp_ / "draft.txt";
    View().dialogs.export_choice = file;
    Controller().ExportMenuItemClick();
    EXPECT_EQ(test::ReadFile(file), Ansi("черновик\r\n"));
}

TEST_F(BrowsingTest, NothingToExportAsksNothingAndAFailedWriteIsReported) {
    StartWithStores(0, 0);
    Focus(Pane::None);
    Panes().rec_text = "text";
    Controller().ExportMenuItemClick();
    Focus(Pane::RecText);
    Panes().rec_text = "";
    Controller().ExportMenuItemClick();
    EXPECT_EQ(View().dialogs.export_dialogs, 0);

    Panes().rec_text = "text";
    Controller().ExportMenuItemClick();  // cancelled
    EXPECT_EQ(View().dialogs.export_dialogs, 1);
    View().dialogs.export_choice = temp_ / "no such directory" / "x.txt";
    Controller().ExportMenuItemClick();
    EXPECT_EQ(View().dialogs.errors.size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(temp_ / "no such directory"));
}

TEST_F(BrowsingTest, ClipboardCommandsActOnTheEntryPaneOnlyWhenItHasTheFocus) {
    StartWithStores(0, 0);
    Focus(Pane::SendText);
    Controller().miCopyToClick();
    Controller().miPasteClick();
    Focus(Pane::None);
    Controller().miClearClick();
    Focus(Pane::RecText);
    Controller().miSelectAllClick();
    EXPECT_EQ(Panes().clipboard_calls,
              (std::vector<std::string>{"Copy SendText", "PastePlainText SendText", "Cut RecText",
                                        "SelectAll RecText"}));
}

TEST_F(BrowsingTest, OnlyTag1TogglesTheSenderPanel) {
    StartWithStores(0, 0);
    Controller().ToggleFromPanel(Control{1});
    EXPECT_FALSE(Panes().from_panel_visible);
    Controller().N22Click(Control{1});
    EXPECT_TRUE(Panes().from_panel_visible);
    Controller().ToggleFromPanel(Control{0});
    EXPECT_TRUE(Panes().from_panel_visible);
}

TEST_F(BrowsingTest, ReplyQuotesTheReceivedMessageAndTheButtonFocusesTheEntryPane) {
    StartWithStores(0, 0);
    Panes().rec_text = Ansi("Привет\r\nКак дела?");
    Panes().send_text = "old";
    Controller().ReplyMsg(nullptr);
    EXPECT_EQ(Panes().send_text, Ansi(">Привет\r\n>Как дела?"));
    EXPECT_EQ(Panes().focused, Pane::None);
    const Control reply_button{0};
    Controller().ReplyMsg(&reply_button);
    EXPECT_EQ(Panes().focused, Pane::SendText);
}

}  // namespace
}  // namespace lyr
