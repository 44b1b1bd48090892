// SPDX-License-Identifier: GPL-3.0-or-later
// The start-up and shutdown sequences of the main window, through the fakes of its views.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "contacts/users_file.h"
#include "messaging/controller_fixture.h"
#include "messaging/message_texts.h"
#include "messaging/quick_texts.h"
#include "platform/linux/no_messenger_service.h"

namespace lyr {
namespace {

using test::Ansi;
using test::Oem;

TMsgData Record(const std::string& from, const std::string& text, double time = 46000.5) {
    TMsgData record;
    record.Time = time;
    record.FromName = from;
    record.ToName = "TESTPC";
    record.Text = Ansi(text);
    return record;
}

void WriteStore(const std::filesystem::path& file, const std::vector<TMsgData>& records) {
    TMsgList list;
    for (const TMsgData& record : records) {
        list.Append(record);
    }
    list.SaveToFile(file);
}

// A record's entry as the file holds it.
std::string Entry(const TMsgData& record) {
    TMsgList list;
    list.Append(record);
    return list.ToBytes();
}

class StartUpTest : public test::ControllerFixture {};

TEST_F(StartUpTest, FirstStartRunsTheStepsInOrder) {
    Preset("MinOnStart", 0);
    Start();
    const std::vector<std::string> expected = {"SetCaption",
                                               "SetTrayIcon 3",
                                               "SetTrayHint",
                                               "RefreshMenus",
                                               "StopMessengerService",
                                               "CreateSkinTiles",
                                               "SetClientSize",
                                               "PlaceControls",
                                               "CreateCaptionButtons",
                                               "LoadSkin",
                                               "ApplySkinColorsAndFonts",
                                               "SetRecTextWordWrap",
                                               "SetShowOnStart",
                                               "StartNetworkScan",
                                               "ArmRescanTimer",
                                               "UpdateHotKey",
                                               "SetTrayIcon 0",
                                               "SetTrayHint",
                                               "AddViewSkinsMenuItem",
                                               "EnableSetTextOnStartTimer"};
    EXPECT_EQ(View().log.calls, expected);
    EXPECT_EQ(View().window.caption, "Lyr Messenger");
    EXPECT_EQ(View().tray.hints.front(), Ansi("Zendry Messenger - инициализация"));
    EXPECT_EQ(View().tray.hint, Ansi("Messenger - активен, писем: 0"));
    EXPECT_TRUE(View().dialogs.boxes.empty());
    EXPECT_TRUE(View().dialogs.errors.empty());
    EXPECT_TRUE(Controller().MainSlotActive());
    EXPECT_TRUE(Controller().IsActive());
    EXPECT_EQ(View().panes.word_wrap, true);
    EXPECT_TRUE(View().tray.checked.at(MenuItem::miWordWrap));
    EXPECT_EQ(View().scan.armed, std::make_pair(false, 3600000));
}

TEST_F(StartUpTest, FirstRunSnapsTheClientAreaToTheTileGrid) {
    Start();
    EXPECT_EQ(View().window.client, (ClientSize{375, 232}));
    ASSERT_TRUE(View().window.layout);
    const MainWindowLayout& layout = *View().window.layout;
    EXPECT_EQ(layout.Panel1, (WindowBounds{11, 20, 375 - 19, 232 - 58}));
    EXPECT_EQ(layout.Panel2Width, 188);
    EXPECT_EQ(layout.Panel5Height, 81);
    EXPECT_EQ(layout.InfoText.Left, 91);
    EXPECT_EQ(layout.InfoText.Top, 232 - 28);
    EXPECT_EQ(layout.InfoText.Width, 375 - 117);
    EXPECT_EQ(std::count(View().log.calls.begin(), View().log.calls.end(), "SetBounds"), 0);
}

TEST_F(StartUpTest, SavedHeightWithoutWidthIsAppliedAndTheGridSnapsAsWell) {
    Preset("PositionX", 40);
    Preset("PositionY", 30);
    Preset("SizeY", 300);
    View().window.client = {300, 260};
    Start();
    EXPECT_EQ(View().window.bounds, (WindowBounds{40, 30, 0, 300}));
    // (300 - 50) div 25 + 1 = 11 tiles; (260 - 58) div 29 + 1 = 7 tiles.
    EXPECT_EQ(View().window.client, (ClientSize{11 * 25 + 50, 7 * 29 + 58}));
}

TEST_F(StartUpTest, SavedSizeIsKeptWithoutSnapping) {
    Preset("SizeX", 420);
    Preset("SizeY", 250);
    Preset("P2X", 200);
    Preset("P5Y", 90);
    View().window.client = {404, 221};
    Start();
    EXPECT_EQ(View().window.bounds, (WindowBounds{0, 0, 420, 250}));
    EXPECT_EQ(View().window.client, (ClientSize{404, 221}));
    EXPECT_EQ(View().window.layout->Panel1, (WindowBounds{11, 20, 404 - 19, 221 - 58}));
    EXPECT_EQ(View().window.layout->Panel2Width, 200);
    EXPECT_EQ(View().window.layout->Panel5Height, 90);
}

TEST_F(StartUpTest, QuickTextsAndIdentityAreReadBeforeTheMenusAreRefreshed) {
    test::WriteFile(DataFile("reply.dat"), Ansi("Да\r\nНет\r\n\r\n\r\n\r\n"));
    test::WriteFile(DataFile("macro.dat"), "m1\r\n");
    PresetIdentity("Nik", "Anna");
    std::vector<std::string> replies_seen;
    View().shell.on_refresh_menus = [&] { replies_seen = Controller().ReplyList(); };
    Start();
    EXPECT_EQ(replies_seen, (std::vector<std::string>{Ansi("Да"), Ansi("Нет"), "", "", ""}));
    EXPECT_EQ(Controller().MacroList(), std::vector<std::string>{"m1"});
    EXPECT_EQ(identity_.Nik, "Anna");
}

TEST_F(StartUpTest, StoredInboxOfThreeShowsTheNewestMessage) {
    WriteStore(DataFile("inbox.dat"),
               {Record("A1", "первое"), Record("A2", "второе"), Record("A3", "третье", 46001.25)});
    WriteStore(DataFile("outbox.dat"), {Record("TESTPC", "x"), Record("TESTPC", "y")});
    Start();
    EXPECT_EQ(Controller().InboxCount(), 3);
    EXPECT_EQ(Controller().InboxPos(), 3);
    EXPECT_EQ(Controller().OutboxPos(), 2);
    EXPECT_EQ(View().panes.rec_text, Ansi("третье"));
    EXPECT_EQ(View().panes.from_panel_caption, Ansi("От: A3 ") + DateTimeText(46001.25));
    EXPECT_EQ(View().tray.hint, Ansi("Messenger - активен, писем: 3"));
}

TEST_F(StartUpTest, WithSaveUserBoxesOffNoMessageFileIsReadOrWritten) {
    Preset("SaveUserBoxes", 0);
    WriteStore(DataFile("inbox.dat"), {Record("A1", "old")});
    const std::string inbox_before = test::ReadFile(DataFile("inbox.dat"));
    Start();
    EXPECT_EQ(Controller().InboxCount(), 0);
    EXPECT_EQ(Controller().InboxPos(), 0);
    EXPECT_EQ(View().panes.rec_text, "");
    Receive("PEER", "new");
    EXPECT_EQ(Controller().Inbox().Count(), 1u);
    Controller().FormDestroy();
    EXPECT_EQ(test::ReadFile(DataFile("inbox.dat")), inbox_before);
    EXPECT_FALSE(std::filesystem::exists(DataFile("outbox.dat")));
}

// Switched on during the run, the stores are kept at exit, after what their files held.
TEST_F(StartUpTest, SaveUserBoxesSwitchedOnDuringTheRunKeepsTheStoresAtExit) {
    Preset("SaveUserBoxes", 0);
    WriteStore(DataFile("inbox.dat"), {Record("A1", "old")});
    Start();
    Receive("PEER", "new");
    Options().SetSaveUserBoxes(true);
    Controller().FormDestroy();
    TMsgList kept;
    ASSERT_TRUE(kept.LoadFromFile(DataFile("inbox.dat")).complete);
    ASSERT_EQ(kept.Count(), 2u);
    EXPECT_EQ(kept.Item(0).Text, Ansi("old"));
    EXPECT_EQ(kept.Item(1).Text, Ansi("new"));
}

TEST_F(StartUpTest, MinOnStartStartsInTheTrayAndFillsThePaneOnTheFirstShow) {
    WriteStore(DataFile("inbox.dat"), {Record("A1", "one"), Record("A2", "two")});
    Start();  // MinOnStart is on by default
    EXPECT_EQ(View().window.show_on_start, false);
    EXPECT_FALSE(View().shell.start_timer_enabled);
    EXPECT_TRUE(Controller().TextOnStartPending());

    View().panes.rec_text = "";
    Controller().FormShow();
    EXPECT_EQ(View().panes.rec_text, "two");
    EXPECT_FALSE(Controller().TextOnStartPending());
    View().panes.rec_text = "what the user paged to";
    Controller().FormShow();
    EXPECT_EQ(View().panes.rec_text, "what the user paged to") << "only the first show fills it";
}

TEST_F(StartUpTest, AFirstStartInTheTraySaysWhereTheProgramIsOnceAndOnlyThen) {
    Start();  // a fresh profile: MinOnStart on, DesktopNotify on
    ASSERT_EQ(View().shell.state_notifications.size(), 1u);
    EXPECT_EQ(View().shell.state_notifications[0],
              Ansi("Lyr Messenger: Программа работает в области уведомлений: щелчок по её значку "
                   "открывает окно."));
    Restart();
    EXPECT_TRUE(View().shell.state_notifications.empty()) << "only the first start tells it";
}

TEST_F(StartUpTest, WithoutMinOnStartTheStartTimerFillsThePaneOnce) {
    Preset("MinOnStart", 0);
    Start();
    EXPECT_EQ(View().window.show_on_start, true);
    EXPECT_TRUE(View().shell.start_timer_enabled);
    // An empty store leaves the flag set until the timer, which clears it in every case.
    Controller().FormShow();
    EXPECT_TRUE(Controller().TextOnStartPending());
    Controller().SetTextOnStartTimer();
    EXPECT_FALSE(Controller().TextOnStartPending());
    Receive("PEER", "later");
    View().panes.rec_text = "";
    Controller().FormShow();
    EXPECT_EQ(View().panes.rec_text, "");
}

TEST_F(StartUpTest, NoComputerNameAndNoNikGiveUndefEverywhere) {
    computer_name_ = std::nullopt;
    Start();
    EXPECT_EQ(Controller().CompName(), "undef");
    EXPECT_EQ(identity_.UserName, "undef");
    EXPECT_EQ(identity_.Nik, "undef");
    EXPECT_FALSE(std::filesystem::exists(DataFile(kIdentityFileName)))
        << "the defaults are not written to the identity file";
}

TEST_F(StartUpTest, NoComputerNameFallsBackToNik) {
    computer_name_ = std::nullopt;
    PresetIdentity("Nik", "Anna");
    Start();
    EXPECT_EQ(Controller().CompName(), "Anna");
    EXPECT_EQ(identity_.UserName, "Anna");
}

TEST_F(StartUpTest, AnotherReceiverGivesTheSendOnlyBoxWhenCheckAnotherIsOn) {
    mailslots_.another_receiver = true;
    Start();
    EXPECT_FALSE(Controller().MainSlotActive());
    ASSERT_EQ(View().dialogs.boxes.size(), 1u);
    EXPECT_EQ(View().dialogs.boxes[0],
              (MessageBoxRequest{Ansi("Обнаружен другой приемник сообщений.\r\n"
                                      "Messenger будет работать только на передачу."),
                                 "Zendry Messenger", BoxIcon::Information, false}));
    EXPECT_TRUE(View().dialogs.errors.empty());
    EXPECT_TRUE(View().shell.hot_key_registered) << "the start-up goes on";
}

TEST_F(StartUpTest, AnotherReceiverWithCheckAnotherOffIsSilent) {
    Preset("CheckAnother", 0);
    mailslots_.another_receiver = true;
    Start();
    EXPECT_FALSE(Controller().MainSlotActive());
    EXPECT_TRUE(View().dialogs.boxes.empty());
    EXPECT_TRUE(View().dialogs.errors.empty());
}

TEST_F(StartUpTest, AnotherReceiverIsNamedByTheSignUntilItsSlotIsTaken) {
    Preset("CheckAnother", 0);
    mailslots_.another_receiver = true;
    Start();
    const std::string sign = Ansi(
        "Нет приема из сети: почтовый ящик messngr занят другим приемником: lyrnet (процесс 42)");
    EXPECT_EQ(View().panes.receiving_sign, sign) << "even without the box";
    EXPECT_EQ(View().tray.hint, Ansi("Messenger - активен, писем: 0\n") + sign);

    mailslot_holder_ = "lyrnet (процесс 43), пользователь bob";
    EXPECT_FALSE(Controller().RetryMainSlot());
    EXPECT_NE(View().panes.receiving_sign.find(Ansi("пользователь bob")), std::string::npos)
        << "the sign names whoever holds it now";

    // A slot that cannot be made for want of descriptors is nobody else's.
    mailslots_.another_receiver = false;
    mailslots_.out_of_descriptors = true;
    EXPECT_FALSE(Controller().RetryMainSlot());
    EXPECT_EQ(
        View().panes.receiving_sign,
        Ansi("Нет приема из сети: почтовый ящик messngr не открывается: ") + std::strerror(EMFILE));

    mailslots_.out_of_descriptors = false;
    EXPECT_TRUE(Controller().RetryMainSlot());
    EXPECT_TRUE(Controller().MainSlotActive());
    Controller().SetReceivingProblem("");
    EXPECT_EQ(View().tray.hint, Ansi("Messenger - активен, писем: 0"));
    EXPECT_TRUE(Controller().RetryMainSlot()) << "ours already";
}

TEST_F(StartUpTest, UsersFileIsReadAndAFilledListIsNotScannedWithoutStartupRescan) {
    WriteUsersFile(DataFile("users.dat"), {WholeNetworkEntry(), {"PC2", "WORK", 0, 2, false}});
    Preset("StartupRescan", 0);
    Start();
    EXPECT_EQ(user_list_.Entries().size(), 2u);
    EXPECT_EQ(View().scan.scans, 0);
}

TEST_F(StartUpTest, AnEmptyListIsScannedEvenWithoutStartupRescan) {
    Preset("StartupRescan", 0);
    Preset("AutoRescan", 1);
    Preset("RescanTime", 60000);
    Start();
    EXPECT_EQ(View().scan.scans, 1);
    EXPECT_EQ(View().scan.armed, std::make_pair(true, 60000));
}

TEST_F(StartUpTest, AutoReplySavedShowsItsImageAndChecks) {
    Preset("AutoReply", 1);
    Start();
    EXPECT_EQ(View().tray.image, kTrayImageAutoReply);
    EXPECT_TRUE(View().tray.checked.at(MenuItem::miAutoReply));
    EXPECT_TRUE(View().tray.checked.at(MenuItem::smiAutoReply));
}

TEST_F(StartUpTest, AnErrorEndsTheStartUpAtItsStepAndIsReported) {
    View().window.failing_step = "LoadSkin";
    WriteStore(DataFile("inbox.dat"), {Record("A1", "old one"), Record("A2", "old two")});
    const std::string inbox_before = test::ReadFile(DataFile("inbox.dat"));
    Start();
    EXPECT_EQ(View().dialogs.errors, std::vector<std::string>{"skin step failed: LoadSkin"});
    EXPECT_EQ(View().log.calls.back(), "ReportError");
    EXPECT_FALSE(View().shell.hot_key_registered);
    EXPECT_EQ(View().scan.scans, 0);
    EXPECT_EQ(Controller().InboxCount(), 0) << "the stores were not loaded";
    EXPECT_TRUE(Controller().MainSlotActive()) << "what was set up before stays";

    // Receiving still works. The file the start-up did not read is never written over: at exit
    // it is read, and what arrived is kept after what it held.
    Receive("PEER", "arrives anyway");
    EXPECT_EQ(Controller().Inbox().Count(), 1u);
    Controller().FormDestroy();
    const std::string inbox_after = test::ReadFile(DataFile("inbox.dat"));
    EXPECT_EQ(inbox_after.substr(0, inbox_before.size()), inbox_before);
    TMsgList kept;
    ASSERT_TRUE(kept.LoadFromFile(DataFile("inbox.dat")).complete);
    ASSERT_EQ(kept.Count(), 3u);
    EXPECT_EQ(kept.Item(2).Text, "arrives anyway");
}

// Each file of its own fails alone: the user hears of it once, by name, and every later step
// runs, receiving first of all.
TEST_F(StartUpTest, UnreadableFilesOfTheStartUpFailAloneAndReceivingStarts) {
    for (const char* name : {"reply.dat", "macro.dat", "quidel.ini", "users.dat"}) {
        std::filesystem::create_directory(DataFile(name));
    }
    WriteStore(DataFile("inbox.dat"), {Record("A1", "old one")});
    Start();
    EXPECT_TRUE(View().dialogs.errors.empty());
    ASSERT_EQ(View().dialogs.boxes.size(), 4u);
    for (const char* name : {"reply.dat", "macro.dat", "quidel.ini", "users.dat"}) {
        const auto naming = std::count_if(
            View().dialogs.boxes.begin(), View().dialogs.boxes.end(), [&](const auto& box) {
                return box.Text.find(Ansi(DataFile(name).string())) != std::string::npos &&
                       box.Text.find("Is a directory") != std::string::npos;
            });
        EXPECT_EQ(naming, 1) << name;
    }
    EXPECT_EQ(View().dialogs.boxes[0].Title, "Zendry Messenger");
    EXPECT_TRUE(Controller().ReplyList().empty());
    EXPECT_EQ(Controller().CompName(), "TESTPC");
    EXPECT_TRUE(Controller().MainSlotActive());
    EXPECT_EQ(Controller().InboxCount(), 1);
    EXPECT_TRUE(View().shell.hot_key_registered);
    EXPECT_EQ(View().scan.scans, 1);

    Receive("PEER", "arrives");
    Controller().FormDestroy();
    TMsgList kept;
    ASSERT_TRUE(kept.LoadFromFile(DataFile("inbox.dat")).complete);
    ASSERT_EQ(kept.Count(), 2u);
    EXPECT_EQ(kept.Item(1).Text, "arrives");
    EXPECT_TRUE(std::filesystem::is_directory(DataFile("users.dat")))
        << "a list it could not read is not written over";
}

TEST_F(StartUpTest, AnUnreadableStoreIsMovedAsideAndANewOneKeepsTheMessages) {
    std::filesystem::create_directory(DataFile("inbox.dat"));
    test::WriteFile(DataFile("inbox.dat") / "inside", "kept");
    std::filesystem::create_directory(DataFile("outbox.dat"));
    std::filesystem::create_directory(DataFile("outbox.dat.bad"));
    test::WriteFile(DataFile("outbox.dat.bad") / "older", "in the way");
    Start();
    EXPECT_TRUE(View().dialogs.errors.empty());
    ASSERT_EQ(View().dialogs.boxes.size(), 2u);
    const std::string inbox = Ansi(DataFile("inbox.dat").string());
    EXPECT_EQ(View().dialogs.boxes[0].Text,
              Ansi("Файл сообщений ") + inbox + Ansi(" не читается:\r\nCannot read ") + inbox +
                  Ansi(": Is a directory\r\nОн перенесён в ") + inbox +
                  Ansi(".bad, новые сообщения сохраняются в новый файл."));
    EXPECT_NE(View().dialogs.boxes[1].Text.find(Ansi("outbox.dat.bad.2")), std::string::npos);
    EXPECT_EQ(test::ReadFile(DataFile("inbox.dat.bad") / "inside"), "kept");
    EXPECT_EQ(test::ReadFile(DataFile("outbox.dat.bad") / "older"), "in the way");
    EXPECT_TRUE(View().shell.hot_key_registered);

    Receive("PEER", "kept at once");
    TMsgList on_disk;
    ASSERT_TRUE(on_disk.LoadFromFile(DataFile("inbox.dat")).complete);
    ASSERT_EQ(on_disk.Count(), 1u);
    EXPECT_EQ(on_disk.Item(0).Text, "kept at once");
    Restart();
    EXPECT_EQ(Controller().InboxCount(), 1);
    EXPECT_TRUE(View().dialogs.boxes.empty()) << "told once";
    EXPECT_TRUE(std::filesystem::is_regular_file(DataFile("outbox.dat")));
}

TEST_F(StartUpTest, ADamagedUsersFileIsKeptAsBadAndSaidOnce) {
    const std::string damaged = "QUIDELV1.0l\r\nPC1,WG,2,0\r\n";
    test::WriteFile(DataFile("users.dat"), damaged);
    Start();
    ASSERT_EQ(View().dialogs.boxes.size(), 1u);
    const std::string name = Ansi(DataFile("users.dat").string());
    EXPECT_EQ(View().dialogs.boxes[0].Text,
              Ansi("Файл списка пользователей ") + name +
                  Ansi(" повреждён, список будет составлен заново.\r\nПрежний файл сохранён как ") +
                  name + ".bad");
    EXPECT_EQ(View().dialogs.boxes[0].Icon, BoxIcon::Warning);
    EXPECT_EQ(test::ReadFile(DataFile("users.dat.bad")), damaged);
    EXPECT_EQ(View().scan.scans, 1);
    user_list_.Replace({WholeNetworkEntry()});
    Restart();
    EXPECT_EQ(test::ReadFile(DataFile("users.dat.bad")), damaged);
    EXPECT_EQ(ReadUsersFile(DataFile("users.dat"))->size(), 1u) << "the scan's list is saved";
    EXPECT_TRUE(View().dialogs.boxes.empty());

    // Random bytes are no list either; an empty file holds nothing to keep.
    const auto start_with_users_file = [&](const std::string& contents) {
        Controller().FormDestroy();
        controller_.reset();
        views_ = std::make_unique<test::FakeViews>();
        test::WriteFile(DataFile("users.dat"), contents);
        Start();
    };
    const std::string random("\x8f\x00\xff\x10QUIDEL", 10);
    start_with_users_file(random);
    EXPECT_EQ(View().dialogs.boxes.size(), 1u);
    EXPECT_EQ(test::ReadFile(DataFile("users.dat.bad")), random);
    start_with_users_file("");
    EXPECT_TRUE(View().dialogs.boxes.empty());
}

TEST_F(StartUpTest, ADamagedStoreIsReportedAndItsOriginalKept) {
    WriteStore(DataFile("inbox.dat"), {Record("A1", "one"), Record("A2", "two")});
    const std::string damaged = test::ReadFile(DataFile("inbox.dat")) + std::string(50, 'x');
    test::WriteFile(DataFile("inbox.dat"), damaged);
    Start();
    EXPECT_EQ(Controller().InboxCount(), 2);
    ASSERT_EQ(View().dialogs.boxes.size(), 1u);
    const MessageBoxRequest& box = View().dialogs.boxes[0];
    EXPECT_EQ(box.Title, "Zendry Messenger");
    EXPECT_EQ(box.Icon, BoxIcon::Warning);
    const std::string name = Ansi(DataFile("inbox.dat").string());
    EXPECT_EQ(box.Text, Ansi("Файл сообщений ") + name +
                            Ansi(" повреждён.\r\nПрочитано сообщений: 2, пропущено байт в конце "
                                 "файла: 50.\r\nПрежний файл сохранён как ") +
                            name + ".bad");
    EXPECT_EQ(test::ReadFile(DataFile("inbox.dat.bad")), damaged);
    EXPECT_EQ(test::ReadFile(DataFile("inbox.dat")), Controller().Inbox().ToBytes())
        << "the file holds the intact messages again, so new ones follow them";
    Receive("PEER", "three");
    TMsgList reloaded;
    EXPECT_TRUE(reloaded.LoadFromFile(DataFile("inbox.dat")).complete);
    EXPECT_EQ(reloaded.Count(), 3u);
}

TEST_F(StartUpTest, ARecordLongerThanAnyMessageIsDamageAsAnyOther) {
    WriteStore(DataFile("inbox.dat"), {Record("A1", "one")});
    std::string huge = Entry(Record("A2", ""));
    const uint32_t length = 1 << 20;
    for (int i = 0; i < 4; ++i) {
        huge[70 + i] = static_cast<char>(length >> (8 * i));
    }
    const std::string damaged =
        test::ReadFile(DataFile("inbox.dat")) + huge + std::string(length, 'x');
    test::WriteFile(DataFile("inbox.dat"), damaged);
    Start();
    EXPECT_EQ(Controller().InboxCount(), 1);
    ASSERT_EQ(View().dialogs.boxes.size(), 1u);
    EXPECT_NE(View().dialogs.boxes[0].Text.find(Ansi("пропущено байт в конце файла: ") +
                                                std::to_string(huge.size() + length)),
              std::string::npos);
    EXPECT_EQ(test::ReadFile(DataFile("inbox.dat.bad")), damaged);
    EXPECT_EQ(test::ReadFile(DataFile("inbox.dat")), Controller().Inbox().ToBytes());
}

TEST_F(StartUpTest, TheMessengerServiceIsStoppedOnlyWithNTService) {
    Preset("NTService", 0);
    Start();
    EXPECT_EQ(std::count(View().log.calls.begin(), View().log.calls.end(), "StopMessengerService"),
              0);
    EXPECT_FALSE(Controller().ServiceStopped());
    Controller().FormDestroy();
    EXPECT_EQ(View().service.starts, 0);
}

TEST_F(StartUpTest, AStopErrorIsShownAndTheStartUpGoesOn) {
    View().service.stop_outcome = {true, ServiceError{5, Ansi("Отказано в доступе.")}};
    Start();
    ASSERT_EQ(View().dialogs.boxes.size(), 1u);
    EXPECT_EQ(View().dialogs.boxes[0],
              (MessageBoxRequest{Ansi("Ошибка остановки службы сообщений:5 Отказано в доступе."),
                                 "Zendry Messenger", BoxIcon::Error, false}));
    EXPECT_TRUE(Controller().ServiceStopped());
    EXPECT_TRUE(View().shell.hot_key_registered);
}

TEST_F(StartUpTest, AServiceThatCannotBeOpenedIsNotRestartedAtExit) {
    View().service.stop_outcome = {false, ServiceError{1060, "no such service"}};
    Start();
    EXPECT_FALSE(Controller().ServiceStopped());
    Controller().FormDestroy();
    EXPECT_EQ(View().service.starts, 0);
}

class ShutdownTest : public test::ControllerFixture {};

TEST_F(ShutdownTest, SavesGeometryListsAndStoresThenClosesTheSlotAndRestartsTheService) {
    Start();
    EXPECT_TRUE(Controller().ServiceStopped());
    View().log.calls.clear();
    View().window.bounds = {120, 80, 400, 261};
    View().window.panel2_width = 150;
    View().window.panel5_height = 70;
    user_list_.Replace({WholeNetworkEntry()});
    Controller().FormDestroy();

    const std::vector<std::string> expected = {"SetTrayIcon 3",    "SetTrayHint",
                                               "UnregisterHotKey", "SetTrayIcon 3",
                                               "SetTrayHint",      "StartMessengerService"};
    EXPECT_EQ(View().log.calls, expected);
    EXPECT_EQ(View().tray.hints.end()[-2], Ansi("Zendry Messenger - завершение работы"));
    EXPECT_EQ(View().tray.hint, Ansi("Запуск службы сообщений..."));
    EXPECT_FALSE(Controller().MainSlotActive());
    ReopenOptions();
    EXPECT_EQ(Options().PositionX(), 120);
    EXPECT_EQ(Options().PositionY(), 80);
    EXPECT_EQ(Options().SizeX(), 400);
    EXPECT_EQ(Options().SizeY(), 261);
    EXPECT_EQ(Options().P2X(), 150);
    EXPECT_EQ(Options().P5Y(), 70);
    EXPECT_EQ(ReadUsersFile(DataFile("users.dat"))->size(), 1u);
    // Both stores are written even when empty.
    EXPECT_EQ(std::filesystem::file_size(DataFile("inbox.dat")), 0u);
    EXPECT_EQ(std::filesystem::file_size(DataFile("outbox.dat")), 0u);
}

// The hand-over of the slot's queue is held while a message's window is open; what waits there
// when the program ends is stored, after what it took already and in order.
TEST_F(ShutdownTest, MessagesWaitingInTheSlotAtExitAreStoredInOrder) {
    Preset("WindowType", 2);
    for (int i = 1; i < 30; ++i) {
        mailslots_.held.push_back(
            BuildMessengerDatagram({.sender = "FRIEND",
                                    .receiver = "TESTPC",
                                    .text = Oem("while open #" + std::to_string(i))}));
    }
    Start();
    Receive("FRIEND", "while open #0");
    Controller().FormDestroy();
    TMsgList kept;
    ASSERT_TRUE(kept.LoadFromFile(DataFile("inbox.dat")).complete);
    ASSERT_EQ(kept.Count(), 30u);
    for (size_t i = 0; i < kept.Count(); ++i) {
        EXPECT_EQ(kept.Item(i).Text, "while open #" + std::to_string(i));
        EXPECT_EQ(kept.Item(i).FromName.Text(), "FRIEND");
    }
    EXPECT_EQ(View().dialogs.message_windows.size(), 1u) << "nothing is shown at exit";
    EXPECT_EQ(View().shell.beeps.size(), 1u) << "nor beeped";
}

TEST_F(ShutdownTest, ASessionEndLeavesTheServiceStopped) {
    Start();
    Controller().OnQueryEndSession();
    EXPECT_FALSE(Controller().ServiceStopped());
    Controller().FormDestroy();
    EXPECT_EQ(View().service.starts, 0);
}

TEST_F(ShutdownTest, AnErrorEndsTheShutdownAtItsStep) {
    Start();
    Receive("PEER", "kept in the file already");
    std::filesystem::create_directory(DataFile("users.dat"));
    std::filesystem::remove(DataFile("inbox.dat"));
    Controller().FormDestroy();
    ASSERT_EQ(View().dialogs.errors.size(), 1u);
    EXPECT_NE(View().dialogs.errors[0].find("users.dat"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(DataFile("inbox.dat"))) << "the stores come after";
    EXPECT_TRUE(Controller().MainSlotActive());
    EXPECT_EQ(View().service.starts, 0);
}

TEST_F(ShutdownTest, OnLinuxTheServiceIsNeitherStoppedNorStarted) {
    NoMessengerService linux_service;
    MainWindowServices services = Services();
    MainWindowController controller(View().Views(), {.options = services.options,
                                                     .identity = services.identity,
                                                     .identity_file = services.identity_file,
                                                     .data_dir = services.data_dir,
                                                     .mailslots = services.mailslots,
                                                     .ui_thread = services.ui_thread,
                                                     .messenger_service = linux_service,
                                                     .user_list = services.user_list,
                                                     .network_scan = services.network_scan});
    controller.FormCreate();
    EXPECT_FALSE(controller.ServiceStopped());
    View().log.calls.clear();
    controller.FormDestroy();
    EXPECT_EQ(std::count(View().log.calls.begin(), View().log.calls.end(), "SetTrayIcon 3"), 1)
        << "no restart, so no tray change of it";
}

TEST_F(ShutdownTest, RestartComesBackActiveWithAutoReplyAsItWas) {
    Start();
    Controller().miActiveClick(Control{1});
    Controller().smiAutoReplyClick();
    EXPECT_FALSE(Controller().IsActive());
    Restart();
    EXPECT_TRUE(Controller().IsActive());
    EXPECT_TRUE(Options().AutoReply());
    EXPECT_EQ(View().tray.image, kTrayImageAutoReply);
    EXPECT_EQ(Controller().OnMgrState(), 2);
}

}  // namespace
}  // namespace lyr
