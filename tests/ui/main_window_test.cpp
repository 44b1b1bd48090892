// SPDX-License-Identifier: GPL-3.0-or-later
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QLocalServer>
#include <QMenu>
#include <QMessageBox>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <atomic>
#include <memory>
#include <stdexcept>
#include <thread>
#include <vector>

#include "app/instance_requests.h"
#include "app/options.h"
#include "contacts/colour.h"
#include "contacts/user_list.h"
#include "contacts/user_list_drawing.h"
#include "platform/codepage.h"
#include "platform/linux/registry_file.h"
#include "ui/ansi_text.h"
#include "ui/dialogs/add_user_dialog.h"
#include "ui/dialogs/msg_form.h"
#include "ui/main_window/main_window.h"
#include "ui/program/error_report.h"
#include "ui/program/instance_server.h"
#include "ui/program/qt_translations.h"
#include "ui/program/qt_ui_thread.h"
#include "ui/tray/tray_icon.h"

namespace lyr {
namespace {

std::string Ansi(const char* utf8) {
    return Utf8ToAnsi(utf8);
}

TUserData Entry(const char* name, const char* group, std::uint8_t kind, bool checked = false) {
    TUserData entry;
    entry.Name = Ansi(name);
    entry.Group = Ansi(group);
    entry.Kind = kind;
    entry.Checked = checked;
    return entry;
}

class MainWindowTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    std::unique_ptr<RegistryFile> registry_;
    std::unique_ptr<TOptions> options_;
    std::unique_ptr<TMainmgrForm> window_;
    std::unique_ptr<UserList> users_;

private slots:
    void init() {
        registry_ = std::make_unique<RegistryFile>((dir_.path() + "/1.0.reg").toStdString(),
                                                   "HKEY_CURRENT_USER\\Software\\Test");
        options_ = std::make_unique<TOptions>(*registry_, SpecialFolders{});
        window_ = std::make_unique<TMainmgrForm>(*options_);
        users_ = std::make_unique<UserList>(*window_, *window_,
                                            (dir_.path() + "/users.dat").toStdString());
        window_->SetUserList(users_.get());
        window_->resize(500, 300);
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    }
    void cleanup() {
        users_.reset();
        window_.reset();
        options_.reset();
        registry_.reset();
    }

    // Whatever a peer sends is text: tags and entities stay as typed, nothing turns bold.
    void markupFromTheNetworkIsShownLiterally() {
        const std::string text = Ansi("<b>жирный</b> &amp; <a href=\"x\">ссылка</a>\r\nвторая");
        window_->SetRecText(text);
        QCOMPARE(window_->RecTextPane()->toPlainText(),
                 QString::fromUtf8("<b>жирный</b> &amp; <a href=\"x\">ссылка</a>\nвторая"));
        QCOMPARE(window_->RecText(), text);
        const QTextBlock first = window_->RecTextPane()->document()->firstBlock();
        QVERIFY(first.begin().fragment().charFormat().fontWeight() != QFont::Bold);
        QVERIFY(window_->RecTextPane()->isReadOnly());

        window_->SendTextPane()->setFocus();
        QTest::keyClicks(window_->SendTextPane(), "<i>a</i>");
        QTest::keyClick(window_->SendTextPane(), Qt::Key_Tab);
        QTest::keyClicks(window_->SendTextPane(), "b");
        QCOMPARE(window_->SendText(), std::string("<i>a</i>\tb"));
    }

    void theFirstLineIsEmphasizedAndOnlyIt() {
        window_->SetRecText(Ansi("FRIEND 01.01.2026 :\r\nтекст"));
        window_->EmphasizeRecTextFirstLine();
        const QTextBlock first = window_->RecTextPane()->document()->firstBlock();
        const QTextCharFormat head = first.begin().fragment().charFormat();
        QCOMPARE(head.fontWeight(), int(QFont::Bold));
        QVERIFY(head.fontItalic());
        const QTextCharFormat body = first.next().begin().fragment().charFormat();
        QVERIFY(!body.fontItalic());
    }

    // The rows show the fills that the drawing rules give: the list's colour for an unticked
    // row, a darker one for a ticked row under a dark font.
    void theRowsHaveTheColoursOfTheDrawingRules() {
        users_->Replace({Entry("Вся сеть", "", 0), Entry("OFFICE", "OFFICE", 1),
                         Entry("PC1", "OFFICE", 2, true), Entry("PC2", "OFFICE", 2)});
        QPalette palette = window_->UserListControl()->palette();
        palette.setColor(QPalette::Base, QColor(200, 220, 240));
        palette.setColor(QPalette::Text, QColor(0, 0, 0));
        window_->UserListControl()->setPalette(palette);
        window_->UserListControl()->setFocus();
        QCoreApplication::processEvents();
        const QImage picture = window_->UserListControl()->viewport()->grab().toImage();
        const int x = picture.width() - 3;
        const ColorRef base = MakeColorRef(200, 220, 240);
        const ColorRef ticked =
            DrawUserRow(users_->Entries()[2], {0, 32, 100, 48}, false, base, kBlack).FillColor;
        QVERIFY(ticked != base);
        QCOMPARE(picture.pixelColor(x, 3 * 16 + 8), QColor(200, 220, 240));
        QCOMPARE(picture.pixelColor(x, 2 * 16 + 8),
                 QColor(RedOf(ticked), GreenOf(ticked), BlueOf(ticked)));
        QCOMPARE(window_->UserListControl()
                     ->visualRect(window_->UserListControl()->model()->index(3, 0))
                     .height(),
                 16);
        // The ticked computer's box is drawn at its indentation (two levels): dark ink there.
        bool ink = false;
        for (int px = 32; px < 48; ++px)
            ink |= picture.pixelColor(px, 2 * 16 + 8).value() < 60;
        QVERIFY(ink);
    }

    // A press on a row's box or name in the real widget ticks it, and the count is shown.
    void aPressTicksTheRowUnderIt() {
        users_->Replace({Entry("Вся сеть", "", 0), Entry("OFFICE", "OFFICE", 1),
                         Entry("PC1", "OFFICE", 2), Entry("PC2", "OFFICE", 2)});
        QWidget* viewport = window_->UserListControl()->viewport();
        QTest::mouseClick(viewport, Qt::LeftButton, {}, QPoint(40, 3 * 16 + 8));
        QVERIFY(users_->Entries()[3].Checked);
        QVERIFY(!users_->Entries()[2].Checked);
        QCOMPARE(window_->InfoTextLabel()->text(), QString::fromUtf8("Выбрано: 1"));
        QTest::mouseClick(viewport, Qt::LeftButton, {}, QPoint(40, 3 * 16 + 8));
        QVERIFY(!users_->Entries()[3].Checked);
        QTest::mouseClick(viewport, Qt::RightButton, {}, QPoint(40, 2 * 16 + 8));
        QVERIFY(!users_->Entries()[2].Checked);
    }

    // The sign that nothing comes from the network outlasts what else the status line shows,
    // ticking included, and goes only when taken away.
    void theReceivingSignStaysInTheStatusLine() {
        users_->Replace({Entry("Вся сеть", "", 0), Entry("OFFICE", "OFFICE", 1),
                         Entry("PC1", "OFFICE", 2), Entry("PC2", "OFFICE", 2)});
        const QString sign = QString::fromUtf8("Нет приема из сети: порт 138 занят");
        window_->SetReceivingSign(ToAnsi(sign));
        QTest::mouseClick(window_->UserListControl()->viewport(), Qt::LeftButton, {},
                          QPoint(40, 3 * 16 + 8));
        QVERIFY(window_->InfoTextLabel()->text().startsWith(sign));
        QVERIFY(window_->InfoTextLabel()->text().endsWith(QString::fromUtf8("Выбрано: 1")));
        QVERIFY(window_->InfoTextLabel()->toolTip().contains(sign));
        window_->SetReceivingSign({});
        QCOMPARE(window_->InfoTextLabel()->text(), QString::fromUtf8("Выбрано: 1"));
    }

    // A double click is two presses: the row is ticked and unticked again, as two clicks do.
    // (Through the window, as a real mouse comes: Qt delivers the second press as a double
    // click only.)
    void aDoubleClickIsTwoPresses() {
        users_->Replace(
            {Entry("Вся сеть", "", 0), Entry("OFFICE", "OFFICE", 1), Entry("PC1", "OFFICE", 2)});
        QWidget* viewport = window_->UserListControl()->viewport();
        QTest::mouseDClick(window_->windowHandle(), Qt::LeftButton, {},
                           viewport->mapTo(window_.get(), QPoint(40, 2 * 16 + 8)));
        QVERIFY(!users_->Entries()[2].Checked);
        QCOMPARE(window_->InfoTextLabel()->text(), QString::fromUtf8("Выбрано: 0"));
        QCOMPARE(window_->UserListControl()->toolTip(), QString::fromUtf8("Список пользователей."));
    }

    // Whatever broke a line of the entry pane, the text sent and stored breaks it with CR LF.
    void lineBreaksOfTheEntryPaneAreCrLf() {
        MessagePane* pane = window_->SendTextPane();
        pane->setFocus();
        QTest::keyClicks(pane, "a");
        QTest::keyClick(pane, Qt::Key_Return, Qt::ShiftModifier);  // a line separator
        QTest::keyClicks(pane, "b");
        QTest::keyClick(pane, Qt::Key_Return);
        QTest::keyClicks(pane, "c");
        QCOMPARE(window_->SendText(), std::string("a\r\nb\r\nc"));
        pane->clear();
        pane->insertPlainText(QStringLiteral("x\ny\rz\r\nw"));  // a paste
        QCOMPARE(window_->SendText(), std::string("x\r\ny\r\nz\r\nw"));
    }

    // A sender and a text from the network, full of markup, reach the user as typed: in the
    // box (on top of every window, its lines kept), the sender panel, the message window's
    // status panel and the tray's hint.
    void hostileTextIsShownPlainEverywhere() {
        const QString evil =
            QString::fromUtf8("<b>EVIL</b> <a href=\"http://x\">x</a> <img src=\"file:///etc\">");
        const std::string wire = Ansi(evil.toUtf8().constData());
        qunsetenv("LYR_MESSAGE_BOXES");
        QString shown;
        bool plain = false, onTop = false;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box != nullptr);
            shown = box->text();
            plain = box->textFormat() == Qt::PlainText;
            onTop = box->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
            box->accept();
        });
        window_->ShowMessageBox(
            {wire + "\r\n" + wire, "Lyr Messenger", BoxIcon::Information, true});
        QVERIFY(plain);
        QVERIFY(onTop);
        QCOMPARE(shown, evil + u'\n' + evil);

        window_->SetFromPanelCaption(wire);
        QCOMPARE(window_->FromPanelLabel()->textFormat(), Qt::PlainText);

        TMsgForm form;
        form.SetContents(evil, evil, 0xFFFFFF, 0);
        for (QLabel* label : form.findChildren<QLabel*>()) {
            if (label->text() == evil)
                QCOMPARE(label->textFormat(), Qt::PlainText);
        }

        TrayIcon tray;
        tray.SetHint(evil);
        QTextDocument hint;
        hint.setHtml(tray.Hint());
        QCOMPARE(hint.toPlainText(), evil);
    }

    // "Вырезать" cuts: in the read-only receive pane nothing can be cut, so neither the text
    // nor the clipboard changes there; the entry pane gives its selection to the clipboard.
    void cutTakesTextOnlyFromTheEntryPane() {
        QClipboard* clipboard = QApplication::clipboard();
        clipboard->setText(QStringLiteral("before"));
        window_->SetRecText("received");
        window_->RecTextPane()->selectAll();
        window_->CutSelection(Pane::RecText);
        QCOMPARE(clipboard->text(), QStringLiteral("before"));
        QCOMPARE(window_->RecText(), std::string("received"));
        window_->CopySelection(Pane::RecText);
        QCOMPARE(clipboard->text(), QStringLiteral("received"));
        window_->SetSendText("typed");
        window_->SendTextPane()->selectAll();
        window_->CutSelection(Pane::SendText);
        QCOMPARE(clipboard->text(), QStringLiteral("typed"));
        QCOMPARE(window_->SendText(), std::string());
    }

    // Qt's own menus and dialogs speak Russian too.
    void qtsOwnTextsAreRussian() {
        QVERIFY(LoadQtRussianTranslations());
        QLineEdit edit;
        std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
        QStringList texts;
        for (QAction* action : menu->actions())
            texts << action->text().section(u'\t', 0, 0);
        QVERIFY2(texts.contains(QString::fromUtf8("&Копировать")), qPrintable(texts.join(u'|')));
        QCOMPARE(QCoreApplication::translate("QFileDialog", "Look in:"),
                 QString::fromUtf8("Перейти к:"));
    }

    void theSplittersKeepTheirLimits() {
        window_->PlaceControls(
            {.Panel1 = {11, 20, 481, 242}, .Panel2Width = 188, .Panel5Height = 81, .InfoText = {}});
        QCOMPARE(window_->Panel2Width(), 188);
        QCOMPARE(window_->Panel5Height(), 81);
        window_->PlaceControls(
            {.Panel1 = {11, 20, 481, 242}, .Panel2Width = 5, .Panel5Height = 1, .InfoText = {}});
        QVERIFY(window_->Panel2Width() >= 80);
        QVERIFY(window_->Panel5Height() >= 10);
    }

    void theCloseButtonHides() {
        window_->Button(CaptionButton::Close)->click();
        QVERIFY(!window_->isVisible());
        window_->ShowMainWindow();
        QVERIFY(window_->isVisible());
    }

    void theAddUserDialogGivesWhatWasTyped() {
        TAddUserDlg dialog;
        QCOMPARE(dialog.windowTitle(), QString::fromUtf8("Ввод нового пользователя"));
        QCOMPARE(dialog.size(), QSize(301, 117));
        QCOMPARE(dialog.NewCompName()->geometry(), QRect(60, 20, 237, 21));
        dialog.Fill({Ansi("ОТДЕЛ"), "HOME"});
        QCOMPARE(dialog.DomainBox()->currentText(), QString::fromUtf8("ОТДЕЛ"));
        dialog.NewCompName()->setText(QString::fromUtf8("ПК1"));
        dialog.DomainBox()->setCurrentIndex(1);
        QCOMPARE(dialog.Result().Name, Ansi("ПК1"));
        QCOMPARE(dialog.Result().Group, std::string("HOME"));
        // Each opening refills the groups only; the name typed last time stays.
        dialog.Fill({});
        QCOMPARE(dialog.NewCompName()->text(), QString::fromUtf8("ПК1"));
        QCOMPARE(dialog.Result().Group, std::string());
    }

    void theErrorReportEndsWithAFullStopByTheRule() {
        QCOMPARE(ErrorReportText("Cannot open file"), QString("Cannot open file."));
        QCOMPARE(ErrorReportText("Done."), QString("Done."));
        QCOMPARE(ErrorReportText("Why?"), QString("Why?."));    // '?' is above '.'
        QCOMPARE(ErrorReportText("Stop!"), QString("Stop!"));   // '!' is below '.'
        QCOMPARE(ErrorReportText("(1,2)"), QString("(1,2)"));   // ')' is below '.'
        QCOMPARE(ErrorReportText("a-"), QString("a-"));         // '-' is below '.'
        QCOMPARE(ErrorReportText("path/"), QString("path/."));  // '/' is above '.'
        QCOMPARE(ErrorReportText(QString::fromUtf8("Ошибка")), QString::fromUtf8("Ошибка."));
        QCOMPARE(ErrorReportText(""), QString(""));
    }

    // The running copy answers each request line; a stale socket file is taken over, a live
    // copy's is not.
    void theInstanceSocketAnswersRequests() {
        const QString path = dir_.path() + "/token";
        int shown = -1;
        InstanceServer server([&](const InstanceRequest& request, InstanceServer::Reply reply) {
            if (request.kind == InstanceRequestKind::Show) {
                shown = static_cast<int>(request.parameter);
                reply("1");
                return;
            }
            reply(request.kind == InstanceRequestKind::Version ? "65537" : "2");
        });
        QVERIFY(server.Listen(path));
        auto ask = [&](InstanceRequest request) {
            std::optional<std::int32_t> answer;
            std::thread client([&] { answer = AskRunningCopy(path.toStdString(), request); });
            std::atomic<bool> done{false};
            std::thread waiter([&] {
                client.join();
                done = true;
            });
            while (!done)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            waiter.join();
            return answer;
        };
        QCOMPARE(ask({InstanceRequestKind::Version, 0}), std::optional<std::int32_t>(65537));
        QCOMPARE(ask({InstanceRequestKind::State, 0}), std::optional<std::int32_t>(2));
        QCOMPARE(ask({InstanceRequestKind::Show, 1}), std::optional<std::int32_t>(1));
        QCOMPARE(shown, 1);

        InstanceServer second(
            [](const InstanceRequest&, InstanceServer::Reply reply) { reply("0"); });
        QVERIFY(!second.Listen(path));

        // A socket file nobody listens on, as a killed copy leaves it.
        const std::string stale = (dir_.path() + "/stale").toStdString();
        int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, stale.c_str(), sizeof(address.sun_path) - 1);
        QCOMPARE(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
        ::close(fd);
        QVERIFY(!AskRunningCopy(stale, {InstanceRequestKind::State, 0}));
        InstanceServer third(
            [](const InstanceRequest&, InstanceServer::Reply reply) { reply("0"); });
        QVERIFY(third.Listen(QString::fromStdString(stale)));
    }

    // A busy window (here: this thread, which runs no loop meanwhile) leaves the version and the
    // state answered from the server's own thread; only showing waits for the window.
    void theInstanceSocketAnswersWhileTheWindowIsBusy() {
        const std::string path = (dir_.path() + "/busy").toStdString();
        InstanceServer server(
            [](const InstanceRequest&, InstanceServer::Reply reply) { reply("1"); },
            [](const InstanceRequest& request, InstanceServer::Reply reply) {
                reply(request.kind == InstanceRequestKind::Version ? "65537" : "1");
            });
        QVERIFY(server.Listen(QString::fromStdString(path)));
        QCOMPARE(AskRunningCopy(path, {InstanceRequestKind::Version, 0}, 2000),
                 std::optional<std::int32_t>(65537));
        QCOMPARE(AskRunningCopy(path, {InstanceRequestKind::State, 0}, 2000),
                 std::optional<std::int32_t>(1));
        QVERIFY(!AskRunningCopy(path, {InstanceRequestKind::Show, 1}, 300));
        QVERIFY(CopyHoldsInstanceSocket(path));
    }

    // A copy that takes no one (stopped, or out of descriptors) fills its backlog; asking it
    // ends after the time given, and it still counts as a copy that runs.
    void aCopyThatTakesNoOneIsNotWaitedForEver() {
        const std::string path = (dir_.path() + "/full").toStdString();
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.c_str(), sizeof(address.sun_path) - 1);
        const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
        QCOMPARE(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
        QCOMPARE(::listen(listener, 0), 0);
        std::vector<int> queued;
        for (int i = 0; i < 100; ++i) {
            const int client = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0);
            if (::connect(client, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
                ::close(client);
                break;
            }
            queued.push_back(client);
        }
        auto answered = std::make_shared<std::atomic<bool>>(false);
        std::thread([path, answered] {
            AskRunningCopy(path, {InstanceRequestKind::State, 0}, 300);
            *answered = true;
        }).detach();
        QTRY_VERIFY_WITH_TIMEOUT(*answered, 5000);
        QVERIFY(CopyHoldsInstanceSocket(path));
        for (int client : queued)
            ::close(client);
        ::close(listener);
    }

    void requestLinesParseStrictly() {
        QVERIFY(ParseInstanceRequest("show 1\n")->parameter == 1);
        QVERIFY(ParseInstanceRequest("show 0")->kind == InstanceRequestKind::Show);
        QVERIFY(!ParseInstanceRequest("show \n"));
        QVERIFY(!ParseInstanceRequest("show 1x\n"));
        QVERIFY(!ParseInstanceRequest("status\n"));
        QVERIFY(ParseInstanceRequest("names\n")->kind == InstanceRequestKind::Names);
        QVERIFY(ParseInstanceRequest(FormatInstanceRequest({InstanceRequestKind::Scan, 60}))
                    ->parameter == 60);
        QVERIFY(!ParseInstanceRequest("scan 61\n"));  // a scan may not hold a copy for long
        QVERIFY(!ParseInstanceRequest("scan\n"));
        QVERIFY(
            ParseInstanceRequest(FormatInstanceRequest({InstanceRequestKind::Version, 0}))->kind ==
            InstanceRequestKind::Version);
        QVERIFY(
            ParseInstanceRequest(FormatInstanceRequest({InstanceRequestKind::Losses, 0}))->kind ==
            InstanceRequestKind::Losses);
        // Counts beyond 32 bits come through; a line that is not four counts is no answer.
        const ReceiveLosses losses{5000000000, 2, 3, 4};
        QVERIFY(ParseReceiveLosses(FormatReceiveLosses(losses)) == losses);
        QVERIFY(!ParseReceiveLosses("1 2 3"));
        QVERIFY(!ParseReceiveLosses("1 2 3 4 "));
        QVERIFY(!ParseReceiveLosses("1 2 -3 4"));
    }

    // A background thread is served while the loop runs and refused, not blocked, after it.
    void theUiThreadRefusesOnceStopped() {
        QtUiThread ui;
        std::atomic<int> result{-1};
        bool ran = false;
        std::thread worker([&] { result = ui.RunAndWait([&] { ran = true; }) ? 1 : 0; });
        while (result < 0)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        worker.join();
        QCOMPARE(result.load(), 1);
        QVERIFY(ran);

        // A call that throws hands its error to its caller, which does not wait on.
        result = -1;
        std::thread failing([&] {
            try {
                ui.RunAndWait([] { throw std::runtime_error("step failed"); });
                result = 0;
            } catch (const std::runtime_error&) {
                result = 2;
            }
        });
        // Its own check follows: a worker still blocked must be let go before it fails.
        (void)QTest::qWaitFor([&] { return result >= 0; }, 5000);
        const bool rethrown = result == 2;
        if (result < 0)
            ui.Stop();  // lets the worker go before the check fails
        failing.join();
        QVERIFY(rethrown);

        // A call waiting for a loop that ends without running it.
        ran = false;
        result = -1;
        std::thread waiting([&] { result = ui.RunAndWait([&] { ran = true; }) ? 1 : 0; });
        QTest::qSleep(50);
        ui.Stop();
        waiting.join();
        QCOMPARE(result.load(), 0);
        QCoreApplication::processEvents();
        QVERIFY(!ran);
        bool direct = false;  // on the UI thread itself it still runs at once
        QVERIFY(ui.RunAndWait([&] { direct = true; }));
        QVERIFY(direct);
        std::thread late([&] { result = ui.RunAndWait([] {}) ? 1 : 0; });
        late.join();
        QCOMPARE(result.load(), 0);
    }
};

}  // namespace
}  // namespace lyr

QTEST_MAIN(lyr::MainWindowTest)
#include "main_window_test.moc"
