#include "ui/setup_fixtures.h"

#include <QDir>
#include <QFile>

#include "app/data_dir.h"
#include "ui/user_icon_placeholders.h"

namespace lyr::test {

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
