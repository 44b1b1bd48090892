// SPDX-License-Identifier: GPL-3.0-or-later
// A stand-in main window with the real tray icon, menus, hot key and message window, for the
// X11 system test and for looking at them: tray_demo SHOT_DIR [SHORTCUT_CODE]
// It reports on standard output, one line each: "ready ...", "tray-geometry X Y W H" each time
// the icon lands in a tray, "tray-host-appeared", "tray-menu-shown", "menu-item NAME X Y" (the
// centre of each item on the screen), "tray-click", "N1Click", "hotkey ID", "window-active",
// "message-shown", "message-closed RESULT", "N3Click". Commands come one a line on standard
// input: "hide" (hide the window), "message" (show the message window modally), "hotkey CODE"
// (UpdateHotKey with that shortcut code; says "hotkey-updated registered=0|1"), "quit".
// Screenshots of the whole screen go to SHOT_DIR: tray-menu.png, message-window.png.
#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QLabel>
#include <QScreen>
#include <QSocketNotifier>
#include <QTimer>
#include <QVBoxLayout>

#include <unistd.h>

#include <cstdio>

#include "ui/dialogs/msg_form.h"
#include "ui/keys/x11/global_hot_key.h"
#include "ui/main_window/main_menus.h"
#include "ui/panes/link_text_pane.h"
#include "ui/panes/url_links.h"
#include "ui/tray/tray_host_watcher.h"
#include "ui/tray/tray_icon.h"
#include "ui/window_showing.h"

namespace {

void Report(const QString& line) {
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

void SaveScreen(const QString& path) {
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        screen->grabWindow(0).save(path);
    }
}

// Reports when it becomes the active window.
class DemoWindow : public QWidget {
protected:
    bool event(QEvent* event) override {
        if (event->type() == QEvent::WindowActivate) {
            Report("window-active");
        }
        return QWidget::event(event);
    }
};

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    if (arguments.size() < 2) {
        std::fprintf(stderr, "usage: tray_demo SHOT_DIR [SHORTCUT_CODE]\n");
        return 2;
    }
    const QDir shots(arguments[1]);
    const int shortCut = arguments.size() > 2 ? arguments[2].toInt(nullptr, 0) : 0xC04D;

    DemoWindow window;
    window.setWindowTitle("Lyr Messenger");
    window.resize(375, 232);
    auto* layout = new QVBoxLayout(&window);
    auto* RecText = new lyr::LinkTextPane(&window);
    RecText->setReadOnly(true);
    RecText->SetText("Сообщение от IVAN для PETR\r\nСм. http://example.com/ и <b>не жирный</b>");
    RecText->EmphasizeFirstLine();
    layout->addWidget(RecText);

    lyr::MainWindowMenus menus(&window);
    lyr::TrayIcon tray;
    tray.SetMenu(menus.TrayMenu());
    tray.SetImageIndex(0);
    tray.SetHint("Messenger - активен, писем: 3");
    menus.RefreshMenus(tray, true, {"Да", "Нет"}, {});
    menus.Item("smiAutoReply")->setChecked(true);
    RecText->SetContextMenu(menus.RecTextPopupMenu());
    lyr::UrlLinks links(menus.UrlPopupMenu(),
                        [](const QUrl& url) { Report("open " + url.toString()); });
    QObject::connect(RecText, &lyr::LinkTextPane::UrlClicked, &links,
                     &lyr::UrlLinks::SendTextURLClick);

    lyr::TrayHostWatcher hostWatcher;
    QObject::connect(&hostWatcher, &lyr::TrayHostWatcher::TrayHostAppeared,
                     [] { Report("tray-host-appeared"); });
    lyr::GlobalHotKey hotKey;
    hotKey.UpdateHotKey(shortCut);
    QObject::connect(&hotKey, &lyr::GlobalHotKey::HotKeyPressed, [&](int id) {
        Report(QStringLiteral("hotkey %1").arg(id));
        lyr::BringToFront(window);
    });
    QObject::connect(&tray, &lyr::TrayIcon::TrayIconClick, [&] {
        Report("tray-click");
        lyr::ShowAndActivate(window);
    });
    QObject::connect(&menus, &lyr::MainWindowMenus::N1Click, [&] {
        Report("N1Click");
        lyr::BringToFront(window);
    });
    QObject::connect(&menus, &lyr::MainWindowMenus::N3Click, [&] {
        Report("N3Click");
        application.quit();
    });
    QObject::connect(menus.TrayMenu(), &QMenu::hovered, [&](QAction* action) {
        Report(QStringLiteral("menu-hovered %1").arg(action->objectName()));
    });
    QObject::connect(menus.TrayMenu(), &QMenu::aboutToShow, [&] {
        QTimer::singleShot(400, [&] {
            Report("tray-menu-shown");
            QMenu* menu = menus.TrayMenu();
            for (QAction* action : menu->actions()) {
                if (!action->isSeparator()) {
                    const QPoint centre = menu->mapToGlobal(menu->actionGeometry(action).center());
                    Report(QStringLiteral("menu-item %1 %2 %3")
                               .arg(action->objectName())
                               .arg(centre.x())
                               .arg(centre.y()));
                }
            }
            menu->setActiveAction(menus.Item("N4"));
            QTimer::singleShot(200, [&] {
                SaveScreen(shots.filePath("tray-menu.png"));
                Report("tray-menu-saved");
            });
        });
    });

    lyr::TMsgForm msgForm;
    QObject::connect(&msgForm, &lyr::TMsgForm::MsgTextURLClick, &links,
                     &lyr::UrlLinks::SendTextURLClick);
    QSocketNotifier commands(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&commands, &QSocketNotifier::activated, [&] {
        char line[256];
        const ssize_t length = read(STDIN_FILENO, line, sizeof line - 1);
        if (length <= 0) {
            commands.setEnabled(false);
            return;
        }
        const QString command = QString::fromUtf8(line, length).trimmed();
        if (command == "hide") {
            window.hide();
            Report("hidden");
        } else if (command == "message") {
            QTimer::singleShot(600, [&] {
                Report("message-shown");
                SaveScreen(shots.filePath("message-window.png"));
            });
            const int result = msgForm.ShowMessage(
                "IVAN",
                QLocale(QLocale::Russian)
                    .toString(QDateTime(QDate(2024, 12, 8), QTime(10, 11, 12)),
                              QLocale::ShortFormat),
                "Сообщение от IVAN для PETR\r\nПривет! <b>Это не жирный</b> текст, а ссылка: "
                "www.example.com/путь. Второй день подряд.",
                0x3A2818, 1);
            Report(QStringLiteral("message-closed %1").arg(result));
        } else if (command.startsWith("hotkey ")) {
            hotKey.UpdateHotKey(command.mid(7).toInt(nullptr, 0));
            Report(QStringLiteral("hotkey-updated registered=%1").arg(hotKey.Registered()));
        } else if (command == "quit") {
            application.quit();
        }
    });

    // Only for this demo: say where the tray puts the icon, each time that changes.
    QTimer trayWatch;
    QRect reported;
    QObject::connect(&trayWatch, &QTimer::timeout, [&] {
        const QRect geometry = tray.SystemTrayIcon().geometry();
        if (geometry.isValid() && geometry.width() > 0 && geometry != reported) {
            reported = geometry;
            Report(QStringLiteral("tray-geometry %1 %2 %3 %4")
                       .arg(geometry.x())
                       .arg(geometry.y())
                       .arg(geometry.width())
                       .arg(geometry.height()));
        }
    });
    trayWatch.start(100);

    window.show();
    Report(QStringLiteral("ready hotkey-available=%1 registered=%2")
               .arg(hotKey.Available())
               .arg(hotKey.Registered()));
    return application.exec();
}
