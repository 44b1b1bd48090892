// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>
#include <QTemporaryDir>

#include <memory>
#include <string>

#include "app/options.h"
#include "platform/linux/registry_file.h"
#include "ui/setup/setup_form.h"
#include "ui/setup/setup_form_host.h"

namespace lyr::test {

// The main window as the settings dialog sees it: it records every hand-off in Calls, in
// order ("UpdateHotKey", "ShowSkin <SkinDir>", "RescanInterval 60000", "RescanTimer on", ...).
class RecordingSetupHost : public SetupFormHost {
public:
    explicit RecordingSetupHost(const TOptions* options = nullptr) : options_(options) {}

    Identity& IdentityValues() override { return identity; }
    std::vector<std::string>& ReplyList() override { return replies; }
    std::vector<std::string>& MacroList() override { return macros; }
    QList<QPixmap> UserIcons() const override { return icons; }
    void UpdateHotKey() override { Calls << QStringLiteral("UpdateHotKey"); }
    void BuildSkinsMenu() override { Calls << QStringLiteral("BuildSkinsMenu"); }
    void ShowSkin() override;
    void ApplyFonts() override { Calls << QStringLiteral("ApplyFonts"); }
    void SetRescanInterval(int milliseconds) override {
        Calls << QStringLiteral("RescanInterval %1").arg(milliseconds);
    }
    void SetRescanTimerEnabled(bool enabled) override {
        Calls << (enabled ? QStringLiteral("RescanTimer on") : QStringLiteral("RescanTimer off"));
    }
    void ReportError(const std::exception& error) override {
        Calls << QStringLiteral("Error ") + QString::fromStdString(error.what());
    }

    QStringList Calls;
    Identity identity;
    std::vector<std::string> replies;
    std::vector<std::string> macros;
    QList<QPixmap> icons;

private:
    const TOptions* options_;
};

// A settings store in a scratch directory, with the folders the dialog writes to there too.
class SetupFixture {
public:
    // `values` are registry-export lines ("\"WindowType\"=dword:00000003") stored before the
    // options are read; with `startupEntry` an autostart entry of an older place is there too.
    explicit SetupFixture(const QStringList& values = {}, bool startupEntry = false);

    TOptions& Options() { return *options_; }
    RegistryFile& Key() { return *key_; }
    SetupFormFiles Files() const;
    QString Path(const QString& name) const { return scratch_.filePath(name); }
    // The program's own directory, which lists the skins while SkinDir is "<default>".
    QString ProgramDirectory() const { return Path(QStringLiteral("program")); }
    std::filesystem::path StartupEntry() const;
    // Creates TSetupForm with `host` (which gets the options and ten placeholder icons).
    std::unique_ptr<TSetupForm> MakeForm(RecordingSetupHost& host);

private:
    QTemporaryDir scratch_;
    SpecialFolders folders_;
    std::unique_ptr<RegistryFile> key_;
    std::unique_ptr<TOptions> options_;
};

}  // namespace lyr::test
