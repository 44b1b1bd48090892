// SPDX-License-Identifier: GPL-3.0-or-later
// The whole program as it is assembled, driven through its menus, tray and dialogs: each item
// reaches the part that owns its action and the user sees the result.
#include <QLineEdit>
#include <QNetworkDatagram>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QUdpSocket>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>

#include "app/data_dir.h"
#include "app/options.h"
#include "contacts/user_list.h"
#include "main/messenger/messenger_assembly.h"
#include "messaging/main_window_controller.h"
#include "platform/codepage.h"
#include "platform/linux/linux_mailslot_system.h"
#include "platform/mailslot.h"
#include "platform/messenger_message.h"
#include "platform/registry.h"
#include "transport/slot_writing.h"
#include "ui/dialogs/about_form.h"
#include "ui/dialogs/msg_form.h"
#include "ui/main_window/main_window.h"
#include "ui/main_window/main_window_shell.h"
#include "ui/panes/url_links.h"
#include "ui/setup/setup_form.h"
#include "ui/tray/tray_icon.h"

namespace lyr {
namespace {

std::string FileText(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

// Runs `step` once a modal window is up and has the keyboard (it opens in a loop of its own, so
// this looks from inside that loop); a key sent earlier would reach the window below it.
void WhenModalIsUp(std::function<void(QWidget*)> step) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, step = std::move(step)] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal != nullptr && modal->isActiveWindow()) {
            timer->stop();
            timer->deleteLater();
            step(modal);
        }
    });
    timer->start();
}

class MessengerShellTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir_;
    SpecialFolders folders_;
    std::unique_ptr<MessengerAssembly> program_;

    // A fresh profile with these settings stored before the start, and these quick replies.
    void StartProgram(const std::function<void(TOptions&)>& settings = {},
                      const std::string& replies = {}, bool join_network = false) {
        cleanup();
        dir_ = std::make_unique<QTemporaryDir>();
        const std::filesystem::path root = dir_->path().toStdString();
        folders_ = {root / "data", root / "config", root / "autostart", root / "cache",
                    root / "program"};
        if (settings) {
            auto key = OpenCurrentUserKey(kOptionsKey, folders_);
            TOptions options(*key, folders_);
            settings(options);
        }
        if (!replies.empty()) {
            const std::string data = ComputeDataDir(folders_);
            std::ofstream(data + "reply.dat", std::ios::binary) << Utf8ToAnsi(replies);
        }
        program_ = std::make_unique<MessengerAssembly>(folders_);
        program_->Start(join_network);
    }
    MainWindowShell& Shell() { return program_->Shell(); }
    QAction* Item(const char* name) { return Shell().Menus().Item(QString::fromLatin1(name)); }
    std::string IdentityFile() const { return program_->DataDir() + "quidel.ini"; }

private slots:
    void init() { qputenv("LYR_MESSAGE_BOXES", "stderr"); }
    void cleanup() {
        if (program_)
            program_->Finish();
        program_.reset();
        dir_.reset();
    }

    void startsInTheTrayOnlyWithMinOnStart() {
        StartProgram();  // a fresh profile starts in the tray
        QVERIFY(program_->Options().MinOnStart());
        QVERIFY(!program_->Window().isVisible());
        QVERIFY(Shell().Tray().Active());
        Item("N1")->trigger();
        QVERIFY(program_->Window().isVisible());
        Item("N16")->trigger();
        QVERIFY(!program_->Window().isVisible());
    }

    // Without a tray host (as offscreen) the icon has nowhere to go: the window comes instead,
    // unless the user has seen it already or wants no icon.
    void withoutATrayTheWindowComesAfterAWhile() {
        StartProgram();
        Shell().ShowWindowUnlessTrayAppears(20);
        QVERIFY(!program_->Window().isVisible());
        QTRY_VERIFY(program_->Window().isVisible());

        StartProgram();
        Item("N1")->trigger();
        Item("N16")->trigger();
        Shell().ShowWindowUnlessTrayAppears(20);
        QTest::qWait(100);
        QVERIFY(!program_->Window().isVisible());

        StartProgram([](TOptions& options) { options.SetUseSysIcon(false); });
        Shell().ShowWindowUnlessTrayAppears(20);
        QTest::qWait(100);
        QVERIFY(!program_->Window().isVisible());
    }

    // The name the computer registers on the network is the name its messages carry, so that
    // answers reach it.
    void theSenderNameIsTheNameOnTheNetwork() {
        qputenv("LYR_NETBIOS_COMPUTER_NAME", "lyr-pc7.example");
        StartProgram();
        qunsetenv("LYR_NETBIOS_COMPUTER_NAME");
        QCOMPARE(program_->Controller().CompName(), std::string("LYR-PC7"));
    }

    // A copy that finds "messngr" taken receives nothing, but still sends to other computers:
    // here to LOCALHOST, found through DNS, whose datagram port this test holds.
    void aCopyWithoutTheSlotStillSendsToTheNetwork() {
        QUdpSocket peer;
        QVERIFY(peer.bind(QHostAddress::LocalHost, 0));
        qputenv("LYR_NETBIOS_DGM_PORT", QByteArray::number(peer.localPort()));
        qputenv("LYR_NETBIOS_NS_PORT", QByteArray::number(peer.localPort() + 1));
        LinuxMailslotSystem other("OTHER");
        MailslotCreateError error{};
        auto holder = other.Create(MakeMailslotPath(".", kMessengerSlot), 0, error);
        QVERIFY(holder != nullptr);
        StartProgram([](TOptions& options) { options.SetMinOnStart(false); }, {}, true);
        qunsetenv("LYR_NETBIOS_DGM_PORT");
        qunsetenv("LYR_NETBIOS_NS_PORT");
        QVERIFY(!program_->Controller().MainSlotActive());

        TUserData pc;
        pc.Name = "LOCALHOST";
        pc.Kind = 2;
        pc.Checked = true;
        program_->Users().Replace({pc});
        program_->Window().SetSendText("hello");
        static const Control send{};
        program_->Controller().SendMsg(&send);
        QTRY_VERIFY_WITH_TIMEOUT(peer.hasPendingDatagrams(), 15000);
        QVERIFY(peer.receiveDatagram().data().contains("hello"));
    }

    // The pane that takes the focus says what it is for in the status line.
    void aPaneThatTakesTheFocusSaysSo() {
        StartProgram([](TOptions& options) { options.SetMinOnStart(false); });
        TMainmgrForm& window = program_->Window();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        window.SendTextPane()->setFocus();
        QTRY_COMPARE(window.InfoTextLabel()->text(), QString::fromUtf8("Ввод сообщения..."));
        window.RecTextPane()->setFocus();
        QTRY_COMPARE(window.InfoTextLabel()->text(), QString::fromUtf8("Входящие: 0/0"));
    }

    void presenceItemsChangeStateTrayAndMarks() {
        StartProgram([](TOptions& options) { options.SetMinOnStart(false); });
        QVERIFY(program_->Window().isVisible());
        MainWindowController& controller = program_->Controller();
        QCOMPARE(controller.OnMgrState(), 0);
        Item("smiBusy")->trigger();
        QVERIFY(!controller.IsActive());
        QCOMPARE(Shell().Tray().ImageIndex(), 2);
        QVERIFY(Item("miBusy")->isChecked());
        QVERIFY(!Item("miActive")->isChecked());
        QVERIFY(Shell().Tray().Hint().contains(QStringLiteral("занят")));
        Item("miActive")->trigger();
        QVERIFY(controller.IsActive());
        QVERIFY(Item("smiActive")->isChecked());
        Item("miAutoReply")->trigger();
        QVERIFY(program_->Options().AutoReply());
        QVERIFY(Item("smiAutoReply")->isChecked());
        QCOMPARE(Shell().Tray().ImageIndex(), 1);
        QCOMPARE(controller.OnMgrState(), 2);
    }

    void quickRepliesAndMacrosFollowTheListsAndTheSettingsDialog() {
        StartProgram({}, "Да\r\nНет\r\n");
        QCOMPARE(Item("qr1")->text(), QStringLiteral("Да"));
        QCOMPARE(Item("qr2")->text(), QStringLiteral("Нет"));
        QCOMPARE(Item("qr3")->text(), QStringLiteral("<empty>"));
        QCOMPARE(Item("mcr1")->text(), QStringLiteral("<empty>"));
        QVERIFY(!std::filesystem::exists(IdentityFile()));

        // Cancel (the frame's close button): captions, tray and identity file stay.
        WhenModalIsUp([](QWidget* dialog) {
            auto* replies = dialog->findChild<QTableWidget*>(QStringLiteral("ReplyGrid"));
            replies->item(2, 1)->setText(QStringLiteral("Три"));
            dialog->close();
        });
        Item("N4")->trigger();
        QCOMPARE(Item("qr3")->text(), QStringLiteral("<empty>"));
        QVERIFY(!std::filesystem::exists(IdentityFile()));

        // OK: the menus show the new lines, the tray follows UseSysIcon, the identity is written.
        WhenModalIsUp([](QWidget* dialog) {
            auto* macros = dialog->findChild<QTableWidget*>(QStringLiteral("MacroGrid"));
            macros->item(0, 1)->setText(QStringLiteral("С уважением"));
            dialog->findChild<QLineEdit*>(QStringLiteral("eUserNik"))
                ->setText(QStringLiteral("Вася"));
            dialog->findChild<QToolButton*>(QStringLiteral("SpeedButton1"))->click();
        });
        program_->Options().SetUseSysIcon(false);
        Item("N8")->trigger();
        QCOMPARE(Item("mcr1")->text(), QStringLiteral("С уважением"));
        QVERIFY(!Shell().Tray().Active());
        QVERIFY(FileText(IdentityFile()).find(Utf8ToAnsi("Вася")) != std::string::npos);
        QCOMPARE(program_->Controller().MacroList().front(), Utf8ToAnsi("С уважением"));
    }

    // The skins viewer opens the dialog on its skins page; its OK neither refreshes the menus
    // nor writes the identity file.
    void theSkinsViewerOnlyShowsTheDialog() {
        StartProgram();
        QMenu* main = Shell().Menus().MainMenu();
        emit main->aboutToShow();
        QVERIFY(!Shell().Menus().SkinsMenuPending());
        QVERIFY(Shell().Menus().SkinsMenu()->actions().size() >= 3);  // viewer, line, <default>
        int page = -1;
        WhenModalIsUp([&page](QWidget* dialog) {
            page = static_cast<TSetupForm*>(dialog)->CurrentPage();
            dialog->findChild<QToolButton*>(QStringLiteral("SpeedButton1"))->click();
        });
        program_->Options().SetUseSysIcon(false);
        Item("miViewSkins")->trigger();
        QCOMPARE(page, int(TSetupForm::kSkinsPage));
        QVERIFY(Shell().Tray().Active());
        QVERIFY(!std::filesystem::exists(IdentityFile()));
    }

    void wordWrapAndTheSenderPanelFollowTheirItems() {
        StartProgram();
        MessagePane* RecText = program_->Window().RecTextPane();
        QVERIFY(RecText->WordWrap());
        Item("miWordWrap")->trigger();
        QVERIFY(!RecText->WordWrap());
        QVERIFY(!program_->Options().WordWrap());
        const bool shown = program_->Window().FromPanelVisible();
        Item("N22")->trigger();
        QCOMPARE(program_->Window().FromPanelVisible(), !shown);
    }

    // A left click on a link in a pane opens the link menu with the link kept.
    void aLinkInThePaneOpensTheLinkMenu() {
        StartProgram();
        emit program_->Window().RecTextPane()->UrlClicked(QStringLiteral("http://example.com/"),
                                                          Qt::LeftButton);
        QCOMPARE(Shell().Links().CurrentUrl(), QStringLiteral("http://example.com/"));
        QTRY_VERIFY(Shell().Menus().UrlPopupMenu()->isVisible());
        Shell().Menus().UrlPopupMenu()->close();
    }

    // WindowType 2: a received message comes in the message window with the sender in the
    // status bar and the chosen picture; it is stored before it is shown.
    void aMessageComesInTheMessageWindow() {
        StartProgram([](TOptions& options) {
            options.SetWindowType(2);
            options.SetUserIcon(3);
        });
        QVERIFY(program_->Controller().MainSlotActive());
        LinuxMailslotSystem mailslots("TESTPC");
        QString status, text;
        int icon = -1;
        WhenModalIsUp([&](QWidget* window) {
            auto* form = qobject_cast<TMsgForm*>(window);
            QVERIFY(form != nullptr);
            status = form->StatusPanel(1)->text();
            text = form->MsgText()->toPlainText();
            icon = form->UserIcon();
            QTest::keyClick(form->MsgText(), Qt::Key_Escape);
        });
        QVERIFY(SendDatagram(
            mailslots, ".",
            {.sender = "FRIEND", .receiver = "TESTPC", .text = "<b>hi</b> www.example.com"}));
        QTRY_COMPARE(program_->Controller().Inbox().Count(), 1);
        QTRY_VERIFY(!text.isEmpty());
        QVERIFY(status.startsWith(QStringLiteral("От: FRIEND (")));
        QVERIFY(text.contains(QStringLiteral("<b>hi</b> www.example.com")));
        QCOMPARE(icon, 3);
        QVERIFY(!Shell().MessageWindow()->isVisible());
        QVERIFY(!Shell().Tray().Animating());
    }

    // After the message window the focus is back in the pane the user was in, so the next
    // paging and Delete act on that pane's store, not on the other one.
    void theFocusComesBackToThePaneAfterTheMessageWindow() {
        StartProgram([this](TOptions& options) {
            options.SetWindowType(2);
            options.SetMinOnStart(false);
            TMsgList sent;
            for (const char* text : {"first", "second"}) {
                TMsgData record;
                record.FromName = "TESTPC";
                record.ToName = "FRIEND";
                record.Text = text;
                sent.Append(record);
            }
            sent.SaveToFile(ComputeDataDir(folders_) + "outbox.dat");
        });
        TMainmgrForm& window = program_->Window();
        MainWindowController& controller = program_->Controller();
        QCOMPARE(controller.Outbox().Count(), size_t{2});
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        window.SendTextPane()->setFocus();
        QTRY_VERIFY(window.SendTextPane()->hasFocus());
        bool shown = false;
        WhenModalIsUp([&](QWidget* form) {
            shown = true;
            QTest::keyClick(form, Qt::Key_Escape);
        });
        LinuxMailslotSystem mailslots("TESTPC");
        QVERIFY(SendDatagram(mailslots, ".",
                             {.sender = "FRIEND", .receiver = "TESTPC", .text = "hello"}));
        QTRY_VERIFY(shown && !Shell().MessageWindow()->isVisible());
        QTRY_VERIFY(window.SendTextPane()->hasFocus());
        controller.PrevMsg();
        QCOMPARE(window.SendText(), std::string("first"));
        controller.miDelMsgClick();
        QCOMPARE(controller.Outbox().Count(), size_t{1});
        QCOMPARE(controller.Outbox().Item(0).Text, std::string("second"));
        QCOMPARE(controller.Inbox().Count(), size_t{1});
    }

    // A rescan from the user list's menu says so in the status line while it runs, and the
    // keyboard stays with the list: Delete afterwards deletes no received message.
    void aRescanFromTheListsMenuKeepsTheFocusAndSaysSo() {
        StartProgram([this](TOptions& options) {
            options.SetMinOnStart(false);
            TMsgList received;
            TMsgData record;
            record.FromName = "FRIEND";
            record.ToName = "TESTPC";
            record.Text = "keep me";
            received.Append(record);
            received.SaveToFile(ComputeDataDir(folders_) + "inbox.dat");
        });
        TMainmgrForm& window = program_->Window();
        UserListWidget* list = window.UserListControl();
        QCOMPARE(program_->Controller().Inbox().Count(), size_t{1});
        QTRY_VERIFY(list->isEnabled() && list->model()->rowCount() > 0);  // the start-up scan
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        list->setFocus();
        QTRY_VERIFY(list->hasFocus());

        QString statusWhileScanning;
        const auto emptied = connect(list->model(), &QAbstractItemModel::modelReset, this, [&] {
            if (statusWhileScanning.isNull())
                statusWhileScanning = window.InfoTextLabel()->text();
        });
        Item("N7")->trigger();
        QTRY_VERIFY(!statusWhileScanning.isNull() && list->isEnabled());
        disconnect(emptied);
        QCOMPARE(statusWhileScanning, QString::fromUtf8("Обновление списка пользователей..."));
        QVERIFY(!window.RecTextPane()->hasFocus());
        QTRY_VERIFY(list->hasFocus());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Delete);
        QCOMPARE(program_->Controller().Inbox().Count(), size_t{1});
    }

    // "Ответить" on a message's notification quotes it and makes its sender the one addressee,
    // added to the list when it is missing: Ctrl+Enter then answers the sender alone.
    void theNotificationsReplyAnswersTheSenderAlone() {
        StartProgram([](TOptions& options) { options.SetMinOnStart(false); });
        TMainmgrForm& window = program_->Window();
        MainWindowController& controller = program_->Controller();
        UserListWidget* list = window.UserListControl();
        QTRY_VERIFY(list->isEnabled() && list->model()->rowCount() > 0);  // the start-up scan
        TUserData network, other;
        network.Name = "Вся сеть";
        other.Name = "OTHER";
        other.Kind = TUserData::kComputer;
        other.Checked = true;
        program_->Users().Replace({network, other});

        // The sender is this computer, so that the answer comes back here.
        const std::string sender = controller.CompName();
        LinuxMailslotSystem mailslots("TESTPC");
        QVERIFY(
            SendDatagram(mailslots, ".", {.sender = sender, .receiver = sender, .text = "hello"}));
        QTRY_COMPARE(controller.Inbox().Count(), size_t{1});
        emit Shell().Notifier().ReplyRequested(1);
        QCOMPARE(window.SendText(), std::string(">hello"));
        int ticked = 0;
        for (const TUserData& entry : program_->Users().Entries()) {
            ticked += entry.Checked;
            QCOMPARE(entry.Checked, entry.Name == sender);
        }
        QCOMPARE(ticked, 1);

        QTest::keyClick(window.SendTextPane(), Qt::Key_Return, Qt::ControlModifier);
        QTRY_COMPARE(controller.Inbox().Count(), size_t{2});
        QCOMPARE(controller.Inbox().Item(1).Text, std::string(">hello"));
    }

    void theAboutBoxIsSetOnlyWhileOpen() {
        StartProgram();
        bool wasSet = false;
        bool keptOnTop = false;
        WhenModalIsUp([&](QWidget* box) {
            wasSet = Shell().AboutBox() == box;
            // The main window coming up does not hide the box.
            program_->Window().ShowMainWindow();
            keptOnTop = box->isVisible() && (box->windowFlags() & Qt::WindowStaysOnTopHint);
            static_cast<QDialog*>(box)->accept();
        });
        Item("N11")->trigger();
        QVERIFY(wasSet);
        QVERIFY(keptOnTop);
        QVERIFY(Shell().AboutBox() == nullptr);
    }
};

}  // namespace
}  // namespace lyr

QTEST_MAIN(lyr::MessengerShellTest)
#include "messenger_shell_test.moc"
