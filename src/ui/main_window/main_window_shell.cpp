// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main_window/main_window_shell.h"

#include <QApplication>
#include <QTimer>

#include "contacts/network_scan.h"
#include "contacts/user_list.h"
#include "messaging/main_window_controller.h"
#include "platform/system_info.h"
#include "ui/ansi_text.h"
#include "ui/dialogs/about_form.h"
#include "ui/dialogs/add_user_dialog.h"
#include "ui/dialogs/msg_form.h"
#include "ui/main_window/main_window.h"
#include "ui/main_window/scan_views.h"
#include "ui/notify/event_sound.h"
#include "ui/program/error_report.h"
#include "ui/setup/setup_form.h"
#include "ui/tray/artwork.h"
#include "ui/window_showing.h"

namespace lyr {
namespace {

constexpr int kSetTextOnStartMs = 100;

// The menu item whose check mark a MenuItem names.
QString ItemName(MenuItem item) {
    switch (item) {
        case MenuItem::miActive:
            return QStringLiteral("miActive");
        case MenuItem::smiActive:
            return QStringLiteral("smiActive");
        case MenuItem::miBusy:
            return QStringLiteral("miBusy");
        case MenuItem::smiBusy:
            return QStringLiteral("smiBusy");
        case MenuItem::miAutoReply:
            return QStringLiteral("miAutoReply");
        case MenuItem::smiAutoReply:
            return QStringLiteral("smiAutoReply");
        case MenuItem::miWordWrap:
            break;
    }
    return QStringLiteral("miWordWrap");
}

QStringList FromAnsiLines(const std::vector<std::string>& lines) {
    QStringList shown;
    for (const std::string& line : lines)
        shown << FromAnsi(line);
    return shown;
}

Control ControlOf(const QAction* item) {
    return Control{item->data().toInt()};
}

}  // namespace

MainWindowShell::MainWindowShell(const MainWindowShellParts& parts)
    : parts_(parts), menus_(&parts.window), links_(menus_.UrlPopupMenu()) {
    tray_.SetMenu(menus_.TrayMenu());
    InstallContextMenus();
    ConnectMenus();
    connect(&tray_, &TrayIcon::TrayIconClick, this, &MainWindowShell::TrayIconClick);
    connect(&hotKey_, &GlobalHotKey::HotKeyPressed, this, &MainWindowShell::HotKeyPressed);
    // A notification's actions bring the window to the front as "Открыть" of the tray menu does.
    connect(&notifier_, &DesktopNotifier::OpenRequested, this, [this](int position) {
        BringToFront(parts_.window);
        parts_.controller.OpenReceived(position, false);
    });
    // "Ответить" also makes the message's sender the one addressee, so Ctrl+Enter answers it.
    connect(&notifier_, &DesktopNotifier::ReplyRequested, this, [this](int position) {
        BringToFront(parts_.window);
        parts_.controller.OpenReceived(position, true);
        const TMsgList& inbox = parts_.controller.Inbox();
        if (position >= 1 && static_cast<size_t>(position) <= inbox.Count())
            parts_.users.CheckAlone(inbox.Item(position - 1).FromName.Text());
    });
    // While the about box is open it stays above the main window whenever that is shown.
    connect(&parts_.window, &TMainmgrForm::Shown, this, [this] {
        windowShown_ = true;
        if (aboutBox_ != nullptr)
            aboutBox_->KeepOnTop();
    });
    menus_.SetSkinsListSource([this] {
        SkinsListState skins;
        if (setupForm_ != nullptr) {
            skins.entries = setupForm_->SkinEntries();
            skins.selected = setupForm_->SelectedSkinEntry();
        }
        return skins;
    });
}

MainWindowShell::~MainWindowShell() = default;

void MainWindowShell::InstallContextMenus() {
    TMainmgrForm& window = parts_.window;
    window.RecTextPane()->SetContextMenu(menus_.RecTextPopupMenu());
    window.SendTextPane()->SetContextMenu(menus_.SendTextPopupMenu());
    for (MessagePane* pane : {window.RecTextPane(), window.SendTextPane()})
        connect(pane, &LinkTextPane::UrlClicked, &links_, &UrlLinks::SendTextURLClick);

    UserListWidget* list = window.UserListControl();
    list->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(list, &QWidget::customContextMenuRequested, menus_.UserListMenu(),
            [this, list](QPoint at) { menus_.UserListMenu()->popup(list->mapToGlobal(at)); });
    window.setContextMenuPolicy(Qt::CustomContextMenu);
    connect(&window, &QWidget::customContextMenuRequested, menus_.MainMenu(),
            [this, &window](QPoint at) { menus_.MainMenu()->popup(window.mapToGlobal(at)); });
    connect(&window, &TMainmgrForm::MainMenuRequested, menus_.MainMenu(),
            [this](QPoint at) { menus_.MainMenu()->popup(at); });

    // Each menu's shortcuts work where its menu belongs; the main menu's in the whole window.
    MainWindowMenus::InstallShortcuts(menus_.MainMenu(), &window);
    MainWindowMenus::InstallShortcuts(menus_.UserListMenu(), list);
    MainWindowMenus::InstallShortcuts(menus_.SendTextPopupMenu(), window.SendTextPane());
    MainWindowMenus::InstallShortcuts(menus_.RecTextPopupMenu(), window.RecTextPane());
}

void MainWindowShell::ConnectMenus() {
    MainWindowController& c = parts_.controller;
    MainWindowMenus* m = &menus_;
    using M = MainWindowMenus;
    connect(m, &M::N1Click, this, &MainWindowShell::N1Click);
    connect(m, &M::N3Click, this, &MainWindowShell::CloseMainWindow);
    connect(m, &M::CloseMainWindow, this, &MainWindowShell::CloseMainWindow);
    connect(m, &M::N4Click, this, &MainWindowShell::N4Click);
    connect(m, &M::N16Click, this, &MainWindowShell::N16Click);
    connect(m, &M::AboutMenuItemClick, this, &MainWindowShell::AboutMenuItemClick);
    connect(m, &M::ViewSkinsClick, this, &MainWindowShell::ViewSkinsClick);
    connect(m, &M::SkinsMenuItemClick, this, &MainWindowShell::SkinsMenuItemClick);
    connect(m, &M::miWordWrapClick, this, &MainWindowShell::miWordWrapClick);
    connect(m, &M::N13Click, this, &MainWindowShell::N13Click);
    connect(m, &M::N7Click, this, &MainWindowShell::N7Click);

    connect(m, &M::miActiveClick, this, [&c](QAction* item) { c.miActiveClick(ControlOf(item)); });
    connect(m, &M::smiAutoReplyClick, this, [&c] { c.smiAutoReplyClick(); });
    connect(m, &M::qr1Click, this, [&c](QAction* item) { c.qr1Click(ControlOf(item)); });
    connect(m, &M::mcr1Click, this, [&c](QAction* item) { c.mcr1Click(ControlOf(item)); });
    connect(m, &M::N28Click, this, [&c](QAction* item) { c.N28Click(ControlOf(item)); });
    connect(m, &M::N22Click, this, [&c](QAction* item) { c.N22Click(ControlOf(item)); });
    connect(m, &M::miClearClick, this, [&c] { c.miClearClick(); });
    connect(m, &M::miCopyToClick, this, [&c] { c.miCopyToClick(); });
    connect(m, &M::miPasteClick, this, [&c] { c.miPasteClick(); });
    connect(m, &M::miSelectAllClick, this, [&c] { c.miSelectAllClick(); });
    connect(m, &M::miDelMsgClick, this, [&c] { c.miDelMsgClick(); });
    connect(m, &M::ExportMenuItemClick, this, [&c] { c.ExportMenuItemClick(); });
    connect(m, &M::N20Click, &links_, &UrlLinks::N20Click);
    connect(m, &M::N21Click, &links_, &UrlLinks::N21Click);

    // The main window's own buttons and keys; each of them stands for one control.
    static const Control reply{}, send{}, clear{}, sendText{};
    TMainmgrForm* w = &parts_.window;
    connect(w, &TMainmgrForm::Showing, this, [&c] { c.FormShow(); });
    connect(w, &TMainmgrForm::ReplyClicked, this, [&c] { c.ReplyMsg(&reply); });
    connect(w, &TMainmgrForm::SendClicked, this, [&c] { c.SendMsg(&send); });
    connect(w, &TMainmgrForm::PreviousClicked, this, [&c] { c.PrevMsg(); });
    connect(w, &TMainmgrForm::NextClicked, this, [&c] { c.NextMsg(); });
    connect(w, &TMainmgrForm::ClearClicked, this, [&c] { c.DeleteMsg(&clear); });
    connect(w, &TMainmgrForm::SendTextKeyUp, this,
            [&c](int key, bool ctrl_held) { c.SendTextKeyUp(sendText, key, ctrl_held); });
    connect(w, &TMainmgrForm::RecTextKeyDown, this, [&c](int key) { c.RecTextKeyDown(key); });
    connect(w, &TMainmgrForm::SendTextEntered, this, [&c] { c.SendTextEnter(); });
    connect(w, &TMainmgrForm::RecTextEntered, this, [&c] { c.RecTextEnter(); });
}

void MainWindowShell::CreateForms() {
    TMainmgrForm& window = parts_.window;
    msgForm_ = new TMsgForm(&window);
    connect(msgForm_, &TMsgForm::MsgTextURLClick, &links_, &UrlLinks::SendTextURLClick);
    window.SetMessageWindow(msgForm_);
    addUserDlg_ = new TAddUserDlg(&window);
    setupForm_ =
        new TSetupForm(parts_.options, *this,
                       SetupFormFilesOfThisProgram(parts_.data_dir, parts_.folders), &window);
}

void MainWindowShell::ShowWindowUnlessTrayAppears(int milliseconds) {
    QTimer::singleShot(milliseconds, this, [this] {
        if (!windowShown_ && tray_.Active() && !QSystemTrayIcon::isSystemTrayAvailable())
            ShowAndActivate(parts_.window);
    });
}

void MainWindowShell::N1Click() {
    BringToFront(parts_.window);
}

void MainWindowShell::TrayIconClick() {
    ShowAndActivate(parts_.window);
}

void MainWindowShell::HotKeyPressed() {
    BringToFront(parts_.window);
}

void MainWindowShell::N16Click() {
    parts_.window.HideMainWindow();
}

void MainWindowShell::CloseMainWindow() {
    // Closing the main window ends the program; every modal loop ends with it.
    QApplication::quit();
}

int MainWindowShell::ShowSetupForm() {
    return ExecModal(*setupForm_);
}

void MainWindowShell::N4Click() {
    if (setupForm_ == nullptr || setupForm_->isVisible())
        return;
    if (ShowSetupForm() == TSetupForm::kModalResultCancel)
        return;
    RefreshMenus();
    try {
        WriteIdentity(parts_.identity_file, parts_.identity);
    } catch (const std::exception& error) {
        ReportError(error);
    }
}

void MainWindowShell::ViewSkinsClick() {
    if (setupForm_ == nullptr || setupForm_->isVisible())
        return;
    setupForm_->SwitchToPage(TSetupForm::kSkinsPage);
    ShowSetupForm();
}

void MainWindowShell::SkinsMenuItemClick(QAction* Sender) {
    if (setupForm_ != nullptr)
        setupForm_->PickSkinEntry(Sender->data().toInt());
}

void MainWindowShell::AboutMenuItemClick() {
    if (aboutBox_ != nullptr) {
        aboutBox_->KeepOnTop();
        return;
    }
    TAboutForm box(CurrentSystemInformation(), &parts_.window);
    aboutBox_ = &box;
    // Closed, it is no longer put on top, though its loop may wait for one opened after it.
    connect(&box, &QDialog::finished, this, [this] { aboutBox_ = nullptr; });
    ExecModal(box);
}

void MainWindowShell::miWordWrapClick(QAction* Sender) {
    const bool wrap = Sender->isChecked();
    parts_.window.SetRecTextWordWrap(wrap);
    parts_.options.SetWordWrap(wrap);
}

void MainWindowShell::N13Click() {
    if (addUserDlg_ != nullptr)
        parts_.users.N13Click(*addUserDlg_);
}

void MainWindowShell::N7Click() {
    parts_.scanner.StartNetworkScan();
}

void MainWindowShell::SetTrayIcon(int image) {
    tray_.SetImageIndex(image);
}

void MainWindowShell::SetTrayHint(const std::string& hint) {
    tray_.SetHint(FromAnsi(hint));
}

void MainWindowShell::SetChecked(MenuItem item, bool checked) {
    if (QAction* action = menus_.Item(ItemName(item)))
        action->setChecked(checked);
}

void MainWindowShell::RefreshMenus() {
    menus_.RefreshMenus(tray_, parts_.options.UseSysIcon(), FromAnsiLines(ReplyList()),
                        FromAnsiLines(MacroList()));
}

void MainWindowShell::UpdateHotKey() {
    hotKey_.UpdateHotKey(parts_.options.ShortCutKey());
}

void MainWindowShell::EnableSetTextOnStartTimer() {
    QTimer::singleShot(kSetTextOnStartMs, this,
                       [this] { parts_.controller.SetTextOnStartTimer(); });
}

void MainWindowShell::MessageBeep(std::uint32_t type) {
    PlayEventSound(EventSoundOfBeep(type));
}

void MainWindowShell::DesktopNotify(std::int32_t position, const std::string& sender,
                                    const std::string& text) {
    notifier_.Notify(position, FromAnsi(sender), FromAnsi(text));
}

void MainWindowShell::DesktopNotifyState(const std::string& summary, const std::string& body) {
    notifier_.NotifyState(FromAnsi(summary), FromAnsi(body));
}

std::vector<std::string>& MainWindowShell::ReplyList() {
    return parts_.controller.ReplyList();
}

std::vector<std::string>& MainWindowShell::MacroList() {
    return parts_.controller.MacroList();
}

QList<QPixmap> MainWindowShell::UserIcons() const {
    QList<QPixmap> pictures;
    for (const QImage& icon : lyr::UserIcons())
        pictures << QPixmap::fromImage(icon);
    return pictures;
}

void MainWindowShell::ShowSkin() {
    parts_.window.ShowSkin();
}

void MainWindowShell::ApplyFonts() {
    parts_.window.ApplyPaneFonts();
}

void MainWindowShell::SetRescanInterval(int milliseconds) {
    parts_.rescan_timer.SetInterval(milliseconds);
}

void MainWindowShell::SetRescanTimerEnabled(bool enabled) {
    parts_.rescan_timer.SetEnabled(enabled);
}

void MainWindowShell::ReportError(const std::exception& error) {
    ReportErrorInBox(QString::fromUtf8(error.what()));
}

}  // namespace lyr
