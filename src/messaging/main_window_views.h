// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "contacts/views.h"

namespace lyr {

// What the main window's controller needs of the screen. The Qt windows implement these; every
// call comes on the UI thread. Texts are in the ANSI code page, like all core strings; pane texts
// separate their lines with CR LF. Error reports carry the error's own text (UTF-8).

// Menu items whose check mark the controller sets (names of the form resource).
enum class MenuItem { miActive, smiActive, miBusy, smiBusy, miAutoReply, smiAutoReply, miWordWrap };

struct WindowBounds {
    std::int32_t Left = 0;
    std::int32_t Top = 0;
    std::int32_t Width = 0;
    std::int32_t Height = 0;

    friend bool operator==(const WindowBounds&, const WindowBounds&) = default;
};

struct ClientSize {
    std::int32_t Width = 0;
    std::int32_t Height = 0;

    friend bool operator==(const ClientSize&, const ClientSize&) = default;
};

// Where the panels and the status line go for a client size (see window_layout.h).
struct MainWindowLayout {
    WindowBounds Panel1;            // holds Panel2 (both panes) and the user list
    std::int32_t Panel2Width = 0;   // P2X
    std::int32_t Panel5Height = 0;  // P5Y: FromPanel and RecText
    WindowBounds InfoText;          // its height stays as the label has it

    friend bool operator==(const MainWindowLayout&, const MainWindowLayout&) = default;
};

// The main window TMainmgrForm itself: its frame, its skin, showing and hiding.
class MainWindowView {
public:
    virtual ~MainWindowView() = default;

    virtual void SetCaption(const std::string& caption) = 0;
    virtual WindowBounds Bounds() const = 0;
    virtual void SetBounds(const WindowBounds& bounds) = 0;
    virtual ClientSize GetClientSize() const = 0;
    virtual void SetClientSize(const ClientSize& size) = 0;
    virtual void PlaceControls(const MainWindowLayout& layout) = 0;
    // The splitter positions as the user left them.
    virtual std::int32_t Panel2Width() const = 0;
    virtual std::int32_t Panel5Height() const = 0;

    // The skin's steps of the start-up, in this order between the layout steps. Each may throw
    // lyr::Exception, which ends the start-up there.
    virtual void CreateSkinTiles() = 0;       // the eight tile images at their default sizes
    virtual void CreateCaptionButtons() = 0;  // the six caption buttons and FromPanel's button
    virtual void LoadSkin() = 0;              // LoadSkin, then SkinTextColor
    virtual void ApplySkinColorsAndFonts() = 0;

    // Whether the window appears when the message loop starts (false: the tray only).
    virtual void SetShowOnStart(bool show) = 0;
    virtual bool IsVisible() const = 0;
    virtual void ShowMainWindow() = 0;  // shown and raised
    virtual void HideMainWindow() = 0;
    virtual void FocusMainWindow() = 0;
    // The send caption button; disabled while a send is on its way.
    virtual void SetSendEnabled(bool enabled) = 0;

    // The window that had the desktop's focus before a notification, and giving it back.
    virtual void RememberForegroundWindow() = 0;
    virtual void RestoreForegroundWindow() = 0;
};

// The message panes, as the one with the keyboard focus and as the target of a command.
enum class Pane { None, RecText, SendText };

// The panes and labels of the main window: RecText, SendText, FromPanel and InfoText.
class MessagePanesView {
public:
    virtual ~MessagePanesView() = default;

    virtual std::string RecText() const = 0;
    virtual void SetRecText(const std::string& text) = 0;
    // Sets the first line of RecText (without its line break) in bold italic.
    virtual void EmphasizeRecTextFirstLine() = 0;
    virtual void SetRecTextWordWrap(bool wrap) = 0;

    virtual std::string SendText() const = 0;
    virtual void SetSendText(const std::string& text) = 0;
    virtual void FocusSendText() = 0;
    // Posts the characters (ANSI bytes) to SendText as typed keys: they arrive at the caret after
    // the current handler has returned, as if the user had typed them.
    virtual void PostCharsToSendText(const std::string& chars) = 0;

    // The pane that has the keyboard focus; None when it is elsewhere.
    virtual Pane FocusedPane() const = 0;
    // The clipboard commands on a pane (RecText or SendText). Pasting switches the pane to plain
    // text first, so the clipboard's formatting is dropped.
    virtual void CutSelection(Pane pane) = 0;
    virtual void CopySelection(Pane pane) = 0;
    virtual void PastePlainText(Pane pane) = 0;
    virtual void SelectAll(Pane pane) = 0;

    virtual void SetFromPanelCaption(const std::string& caption) = 0;
    virtual bool FromPanelVisible() const = 0;
    virtual void SetFromPanelVisible(bool visible) = 0;

    virtual void SetInfoText(const std::string& text) = 0;
    // A lasting sign in InfoText, shown before whatever SetInfoText puts there, for as long as
    // this computer cannot receive from the network; empty takes it away.
    virtual void SetReceivingSign(const std::string& sign) = 0;
};

// The tray icon with its hint and animation, and the check marks the menus show (the tray
// menu and the main menu tick the same items).
class TrayView {
public:
    virtual ~TrayView() = default;

    virtual void SetTrayIcon(int image) = 0;
    virtual void SetTrayHint(const std::string& hint) = 0;
    // The animation of a received message: the icon cycles its images every 100 ms.
    virtual void StartTrayAnimation() = 0;
    virtual void StopTrayAnimation() = 0;
    virtual void SetChecked(MenuItem item, bool checked) = 0;
};

enum class BoxIcon { Information, Warning, Error };

// A message box without owner window with one OK button; it blocks until closed.
struct MessageBoxRequest {
    std::string Text;
    std::string Title;
    BoxIcon Icon = BoxIcon::Information;
    bool TopmostForeground = false;  // above every window and brought to the foreground

    friend bool operator==(const MessageBoxRequest&, const MessageBoxRequest&) = default;
};

// The message window TMsgForm for WindowType 2, shown modally.
struct MessageWindowRequest {
    std::uint32_t Color = 0;  // UserWinColor, 0x00BBGGRR
    std::string Status;       // the second panel of its status bar
    std::string Text;         // the one entry of MsgText

    friend bool operator==(const MessageWindowRequest&, const MessageWindowRequest&) = default;
};

// Modal boxes and windows, and the application's default error report.
class DialogsView {
public:
    virtual ~DialogsView() = default;

    virtual void ShowMessageBox(const MessageBoxRequest& box) = 0;
    virtual void ShowMessageWindow(const MessageWindowRequest& window) = 0;
    // The save-file dialog dlgExport: default extension "txt", filter
    // "текстовые файлы|*.txt|все файлы|*.*", asks before overwriting, the directory must exist,
    // no read-only choice. The chosen file, or nothing when the user cancels.
    virtual std::optional<std::filesystem::path> RunExportDialog() = 0;
    // What the framework does with an error nobody caught: a box titled "Zendry Messenger"
    // with the error's text; the program runs on.
    virtual void ReportError(const std::string& text) = 0;
};

// The rest of the desktop shell: menus and hot key (which their own Parts build), the one-shot
// start timer and the system sounds.
class ShellView {
public:
    virtual ~ShellView() = default;

    // Menu captions from the controller's ReplyList and MacroList, the tray icon's visibility.
    virtual void RefreshMenus() = 0;
    virtual void UpdateHotKey() = 0;
    virtual void UnregisterHotKey() = 0;
    // The item "Просмотр видов..." (Alt+S) of SkinsMenu.
    virtual void AddViewSkinsMenuItem() = 0;
    // The timer SetTextOnStart: fires once after 100 ms and then calls SetTextOnStartTimer.
    virtual void EnableSetTextOnStartTimer() = 0;
    // 0: the default sound of a received message; 0xFFFFFFFF: the simple beep of a sent one.
    virtual void MessageBeep(std::uint32_t type) = 0;
    // A received message the user is being notified of, also as a desktop notification:
    // `position` is its place in Inbox (from 1) now, `sender` and `text` are its record's.
    virtual void DesktopNotify(std::int32_t position, const std::string& sender,
                               const std::string& text) = 0;
    // A desktop notification of the program's own state, without actions.
    virtual void DesktopNotifyState(const std::string& summary, const std::string& body) = 0;
};

inline constexpr std::uint32_t kDefaultBeep = 0;
inline constexpr std::uint32_t kSimpleBeep = 0xFFFFFFFF;

// The views together, as the controller is given them.
struct MainWindowViews {
    MainWindowView& window;
    MessagePanesView& panes;
    TrayView& tray;
    DialogsView& dialogs;
    ShellView& shell;
};

}  // namespace lyr
