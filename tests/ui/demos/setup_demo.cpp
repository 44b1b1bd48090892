// SPDX-License-Identifier: GPL-3.0-or-later
// Saves pictures of every page of the settings dialog and of the about box, for looking at
// them: setup_demo OUTPUT_DIRECTORY
#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

#include <cstdio>

#include "platform/codepage.h"
#include "platform/system_info.h"
#include "ui/dialogs/about_form.h"
#include "ui/setup_fixtures.h"
#include "ui/tray/artwork.h"

namespace {

void Save(QWidget& widget, const QString& path) {
    if (!widget.grab().save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    }
}

void Touch(const QString& path) {
    QFile file(path);
    file.open(QIODevice::WriteOnly);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: setup_demo OUTPUT_DIRECTORY\n");
        return 2;
    }
    const QDir output(QString::fromLocal8Bit(argv[1]));
    lyr::test::SetupFixture fixture(
        {"\"ShortCutKey\"=dword:0000c04d", "\"AutoRescan\"=dword:00000001",
         "\"RescanTime\"=dword:000dbba0", "\"WindowType\"=dword:00000002",
         "\"UserIcon\"=dword:00000003", "\"UserWinColor\"=dword:00800000"});
    const QString skins = fixture.Path(QStringLiteral("skins"));
    QDir(skins).mkpath(QStringLiteral("classic"));
    QDir(skins).mkpath(QStringLiteral("Winamp3"));
    for (const char* name : {"Base.wsz", "bluemetal.zip", "Тёмный.bmp", "notes.txt", "amp.WSZ"}) {
        Touch(skins + "/" + QString::fromUtf8(name));
    }
    fixture.Options().SetSkinDir((skins + "/Base.wsz").toStdString());
    lyr::test::RecordingSetupHost host(&fixture.Options());
    // The core keeps these in the ANSI code page.
    using lyr::Utf8ToAnsi;
    host.identity = {Utf8ToAnsi("Иван Петров"), "Ivan", Utf8ToAnsi("Я отошёл, отвечу позже."),
                     Utf8ToAnsi("Занят, не беспокоить.")};
    host.replies = {Utf8ToAnsi("Сейчас буду"), Utf8ToAnsi("Перезвоню")};
    host.macros = {Utf8ToAnsi("С уважением, Иван")};
    for (const QImage& icon : lyr::UserIcons())  // the pictures the program offers
        host.icons << QPixmap::fromImage(icon);
    auto form = fixture.MakeForm(host);
    form->show();
    for (int page = 0; page < 4; ++page) {
        form->SwitchToPage(page);
        Save(*form, output.filePath(QStringLiteral("setup-page%1.png").arg(page)));
    }
    auto* tabs = form->findChild<QTabWidget*>(QStringLiteral("PageControl1"));
    for (int tab = 1; tab < tabs->count(); ++tab) {
        tabs->setCurrentIndex(tab);
        Save(*form, output.filePath(QStringLiteral("setup-page3-tab%1.png").arg(tab)));
    }

    lyr::TAboutForm about(lyr::CurrentSystemInformation());
    about.show();
    Save(about, output.filePath(QStringLiteral("about.png")));
    about.findChild<QPushButton*>(QStringLiteral("Button1"))->click();
    // Long enough for the first lines to scroll into the middle of the panel.
    QEventLoop wait;
    QTimer::singleShot(3000, &wait, &QEventLoop::quit);
    wait.exec();
    Save(about, output.filePath(QStringLiteral("about-thanks.png")));
    return 0;
}
