// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/setup_fixtures.h"

#include <QDir>
#include <QFile>
#include <QPainter>

#include "app/data_dir.h"

namespace lyr::test {

namespace {

// Ten numbered, opaque 32 x 32 pictures: each cell of the icon grid shows which one it holds.
QList<QPixmap> UserIconPlaceholders() {
    QList<QPixmap> pictures;
    for (int i = 0; i < 10; ++i) {
        QPixmap picture(32, 32);
        picture.fill(QColor::fromHsv(i * 36, 160, 220));
        QPainter painter(&picture);
        painter.setPen(Qt::black);
        painter.drawRect(0, 0, 31, 31);
        QFont font = painter.font();
        font.setPixelSize(16);
        font.setBold(true);
        painter.setFont(font);
        painter.drawText(picture.rect(), Qt::AlignCenter, QString::number(i + 1));
        pictures.append(picture);
    }
    return pictures;
}

}  // namespace

void RecordingSetupHost::ShowSkin() {
    Calls << QStringLiteral("ShowSkin ") +
                 (options_ ? QString::fromStdString(options_->SkinDir()) : QString());
}

SetupFixture::SetupFixture(const QStringList& values, bool startupEntry) {
    QDir root(scratch_.path());
    root.mkpath(QStringLiteral("data"));
    root.mkpath(QStringLiteral("program"));
    folders_.data = Path(QStringLiteral("data")).toStdString();
    folders_.config = Path(QStringLiteral("config")).toStdString();
    folders_.autostart = folders_.config / "autostart";
    folders_.executable_directory = Path(QStringLiteral("program")).toStdString();
    const std::filesystem::path file = folders_.config / "settings.reg";
    std::filesystem::create_directories(folders_.config);
    if (!values.isEmpty()) {
        QFile out(QString::fromStdString(file.string()));
        out.open(QIODevice::WriteOnly);
        out.write("Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\");
        out.write(kOptionsKey);
        out.write("]\n");
        out.write(values.join('\n').toUtf8() + "\n\n");
    }
    if (startupEntry) {
        std::filesystem::create_directories(folders_.autostart);
        QFile entry(QString::fromStdString(StartupEntryPath(folders_).string()));
        entry.open(QIODevice::WriteOnly);
        entry.write("[Desktop Entry]\nType=Application\nName=LyrMessenger\nExec=/old/place\n");
    }
    key_ = std::make_unique<RegistryFile>(file, std::string("HKEY_CURRENT_USER\\") + kOptionsKey);
    options_ = std::make_unique<TOptions>(*key_, folders_);
}

SetupFormFiles SetupFixture::Files() const {
    return {Path(QStringLiteral("data")).toStdString() + "/", folders_.autostart,
            folders_.executable_directory / "lyrmessenger"};
}

std::filesystem::path SetupFixture::StartupEntry() const {
    return StartupEntryPath(folders_);
}

std::unique_ptr<TSetupForm> SetupFixture::MakeForm(RecordingSetupHost& host) {
    if (host.icons.isEmpty()) {
        host.icons = UserIconPlaceholders();
    }
    return std::make_unique<TSetupForm>(*options_, host, Files());
}

}  // namespace lyr::test
