// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>

#include <memory>
#include <string>

#include "app/identity.h"
#include "app/options.h"
#include "messaging/main_window_views.h"
#include "platform/profile.h"
#include "platform/special_folders.h"
#include "ui/dialogs/about_form.h"
#include "ui/keys/x11/global_hot_key.h"
#include "ui/main_window/main_menus.h"
#include "ui/notify/desktop_notifier.h"
#include "ui/panes/url_links.h"
#include "ui/setup/setup_form_host.h"
#include "ui/tray/tray_icon.h"

namespace lyr {

class MainWindowController;
class NetworkScanner;
class RescanServersTimer;
class TAddUserDlg;
class TMainmgrForm;
class TMsgForm;
class TSetupForm;
class UserList;

// What the shell works with; everything must outlive it.
struct MainWindowShellParts {
    TMainmgrForm& window;
    TOptions& options;
    Identity& identity;      // the program-wide identity values
    Profile& identity_file;  // quidel.ini, written after the settings dialog's OK
    std::string data_dir;
    SpecialFolders folders;
    UserList& users;
    NetworkScanner& scanner;
    RescanServersTimer& rescan_timer;
    // Made after the shell, which is its tray and shell view: the shell calls it only on the
    // user's actions and the timers the controller itself starts.
    MainWindowController& controller;
};

// Everything around the main window through which the user reaches the program: the tray icon,
// every menu, the global hot key, the links in the panes, the message window, the add-user
// dialog, the settings dialog and the about box. It is the controller's tray and shell and the
// settings dialog's host, and routes each menu item to the part that owns its action.
class MainWindowShell final : public QObject,
                              public TrayView,
                              public ShellView,
                              public SetupFormHost {
    Q_OBJECT

public:
    explicit MainWindowShell(const MainWindowShellParts& parts);
    ~MainWindowShell() override;

    // The windows made after the main window's start-up, in this order: the message window, the
    // add-user dialog, the settings dialog (which reads the quick replies the start-up loaded).
    void CreateForms();
    // A program started in the tray where no tray exists would be nowhere to be seen: when its
    // icon is on but no tray host has come within `milliseconds`, the window is shown then,
    // unless it has been shown already.
    void ShowWindowUnlessTrayAppears(int milliseconds);

    MainWindowMenus& Menus() { return menus_; }
    TrayIcon& Tray() { return tray_; }
    UrlLinks& Links() { return links_; }
    DesktopNotifier& Notifier() { return notifier_; }
    TMsgForm* MessageWindow() const { return msgForm_; }
    TAddUserDlg* AddUserDialog() const { return addUserDlg_; }
    TSetupForm* SetupForm() const { return setupForm_; }
    TAboutForm* AboutBox() const { return aboutBox_; }

    // The handlers of the menus that the shell owns itself.
    void N1Click();
    void TrayIconClick();
    void HotKeyPressed();
    void N16Click();
    void CloseMainWindow();
    void N4Click();
    void ViewSkinsClick();
    void SkinsMenuItemClick(QAction* Sender);
    void AboutMenuItemClick();
    void miWordWrapClick(QAction* Sender);
    void N13Click();
    void N7Click();

    // TrayView
    void SetTrayIcon(int image) override;
    void SetTrayHint(const std::string& hint) override;
    void StartTrayAnimation() override { tray_.StartAnimation(); }
    void StopTrayAnimation() override { tray_.StopAnimation(); }
    void SetChecked(MenuItem item, bool checked) override;

    // ShellView
    void RefreshMenus() override;
    void UpdateHotKey() override;
    void UnregisterHotKey() override { hotKey_.UnregisterHotKey(); }
    void AddViewSkinsMenuItem() override {}  // the skins menu holds it from its creation on
    void EnableSetTextOnStartTimer() override;
    void MessageBeep(std::uint32_t type) override;
    void DesktopNotify(std::int32_t position, const std::string& sender,
                       const std::string& text) override;
    void DesktopNotifyState(const std::string& summary, const std::string& body) override;

    // SetupFormHost
    Identity& IdentityValues() override { return parts_.identity; }
    std::vector<std::string>& ReplyList() override;
    std::vector<std::string>& MacroList() override;
    QList<QPixmap> UserIcons() const override;
    void BuildSkinsMenu() override { menus_.BuildSkinsMenu(); }
    void ShowSkin() override;
    void ApplyFonts() override;
    void SetRescanInterval(int milliseconds) override;
    void SetRescanTimerEnabled(bool enabled) override;
    void ReportError(const std::exception& error) override;

private:
    void ConnectMenus();
    void InstallContextMenus();
    // Runs a modal showing of the settings dialog; its result.
    int ShowSetupForm();

    MainWindowShellParts parts_;
    MainWindowMenus menus_;
    TrayIcon tray_;
    GlobalHotKey hotKey_;
    UrlLinks links_;
    DesktopNotifier notifier_;
    // Children of the main window, made by CreateForms.
    TMsgForm* msgForm_ = nullptr;
    TAddUserDlg* addUserDlg_ = nullptr;
    TSetupForm* setupForm_ = nullptr;
    QPointer<TAboutForm> aboutBox_;  // set while the about box is open
    bool windowShown_ = false;
};

}  // namespace lyr
