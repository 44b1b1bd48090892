// SPDX-License-Identifier: GPL-3.0-or-later
// Shows the main window with a received message, a few users and a status line, and saves a
// picture of it: main_window_demo OUTPUT.png [SKIN] [--scanning]. SKIN "test" stands for the
// tests' skin; --scanning shows the empty, disabled list with the scan's animation over it.
#include <QApplication>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

#include "app/options.h"
#include "contacts/user_list.h"
#include "platform/codepage.h"
#include "platform/linux/registry_file.h"
#include "ui/main_window/main_window.h"
#include "ui/skin_fixtures.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: main_window_demo OUTPUT.png [SKIN] [--scanning]\n");
        return 2;
    }
    using namespace lyr;
    QStringList arguments = application.arguments().mid(1);
    const bool scanning = arguments.removeAll("--scanning") > 0;
    const QString output = arguments.value(0);
    QString skinPath = arguments.value(1);
    QTemporaryDir scratch;
    if (skinPath == "test") {
        skinPath = scratch.filePath("test.wsz");
        const QImage bitmap = test::MakeTestSkinBitmap(QColor(224, 220, 200));
        test::WriteZip(skinPath, {{"test/mb.bmp", test::BmpBytes(bitmap)}});
    }
    RegistryFile registry(scratch.filePath("1.0.reg").toStdString(),
                          "HKEY_CURRENT_USER\\Software\\Demo");
    TOptions options(registry, SpecialFolders{});
    if (!skinPath.isEmpty())
        options.SetSkinDir(skinPath.toStdString());

    TMainmgrForm window(options);
    UserList users(window, window, scratch.filePath("users.dat").toStdString());
    window.SetUserList(&users);
    auto entry = [](const char* name, const char* group, std::uint8_t kind, bool checked) {
        TUserData data;
        data.Name = Utf8ToAnsi(name);
        data.Group = Utf8ToAnsi(group);
        data.Kind = kind;
        data.Checked = checked;
        return data;
    };
    users.Replace({entry("Вся сеть", "", 0, false), entry("OFFICE", "OFFICE", 1, false),
                   entry("BUH", "OFFICE", 2, true), entry("SKLAD", "OFFICE", 2, false)});
    window.LoadSkin();
    window.ApplySkinColorsAndFonts();
    const ClientSize client{375, 232};
    window.SetClientSize(client);
    // As the start-up places them: Panel1 inside the frame, the splitters where the settings say.
    window.PlaceControls({.Panel1 = {11, 20, client.Width - 19, client.Height - 58},
                          .Panel2Width = options.P2X(),
                          .Panel5Height = options.P5Y(),
                          .InfoText = {}});
    window.SetFromPanelCaption(Utf8ToAnsi("От: FRIEND 08.12.2026 05:30:00"));
    window.SetRecText(Utf8ToAnsi("Привет! <b>Это не жирный</b>\r\nhttp://example.org/"));
    window.SetSendText(Utf8ToAnsi("Ответ\tс табуляцией"));
    window.SetInfoText(Utf8ToAnsi("Входящие: 1/1 "));
    window.ShowMainWindow();
    if (scanning) {
        users.Clear();
        window.SetUserListEnabled(false);
        window.SetInfoText(Utf8ToAnsi("Обновление списка пользователей..."));
        // Started once the window is laid out, so that it centres on the list's final size.
        QTimer::singleShot(100, &window, [&window] { window.ShowScanAnimation(); });
    }
    QTimer::singleShot(300, [&] {
        window.grab().save(output);
        application.quit();
    });
    return application.exec();
}
