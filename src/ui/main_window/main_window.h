// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLabel>
#include <QSplitter>
#include <QTimer>

#include <functional>

#include "app/options.h"
#include "contacts/user_list.h"
#include "contacts/views.h"
#include "messaging/main_window_views.h"
#include "ui/main_window/user_list_widget.h"
#include "ui/panes/link_text_pane.h"
#include "ui/skin/skinned_frame.h"

namespace lyr {

class MainWindowController;
class ScanAnimation;
class TMsgForm;

// The pane RecText or SendText: plain text with clickable links. Whatever text arrives is shown
// as it is: nothing in it is read as markup.
class MessagePane final : public LinkTextPane {
public:
    explicit MessagePane(QWidget* parent = nullptr);
    // Keys as the controller knows them (virtual-key codes: Enter 13, Delete 46).
    std::function<void(int key, bool ctrl_held)> on_key_up;
    std::function<void(int key)> on_key_down;
    // The pane has taken the keyboard focus.
    std::function<void()> on_enter;

protected:
    void focusInEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
};

// TMainmgrForm: the skinned main window. It shows what the controller and the user list tell
// it and forwards the user's actions to them.
class TMainmgrForm final : public SkinnedFrame,
                           public MainWindowView,
                           public MessagePanesView,
                           public DialogsView,
                           public StatusLabel,
                           public UserListView {
    Q_OBJECT

public:
    explicit TMainmgrForm(TOptions& options);
    ~TMainmgrForm() override;

    // The list the user list control shows, made after the window.
    void SetUserList(UserList* list);
    // The window that shows a message when WindowType is 2.
    void SetMessageWindow(TMsgForm* window) { messageWindow_ = window; }
    bool ShowOnStart() const { return showOnStart_; }

    // MainWindowView
    void SetCaption(const std::string& caption) override;
    WindowBounds Bounds() const override;
    void SetBounds(const WindowBounds& bounds) override;
    ClientSize GetClientSize() const override;
    void SetClientSize(const ClientSize& size) override;
    void PlaceControls(const MainWindowLayout& layout) override;
    std::int32_t Panel2Width() const override;
    std::int32_t Panel5Height() const override;
    void CreateSkinTiles() override {}       // the frame holds its tiles from its creation on
    void CreateCaptionButtons() override {}  // made with the frame, wired in the constructor
    void LoadSkin() override;
    void ApplySkinColorsAndFonts() override;
    void SetShowOnStart(bool show) override { showOnStart_ = show; }
    bool IsVisible() const override { return isVisible(); }
    void ShowMainWindow() override;
    void HideMainWindow() override;
    void FocusMainWindow() override;
    void SetSendEnabled(bool enabled) override { Button(CaptionButton::Send)->setEnabled(enabled); }
    // No desktop of ours lets a program take the focus back for another one.
    void RememberForegroundWindow() override {}
    void RestoreForegroundWindow() override {}

    // MessagePanesView (SetInfoText serves StatusLabel too)
    std::string RecText() const override;
    void SetRecText(const std::string& text) override;
    void EmphasizeRecTextFirstLine() override;
    void SetRecTextWordWrap(bool wrap) override;
    std::string SendText() const override;
    void SetSendText(const std::string& text) override;
    void FocusSendText() override;
    void PostCharsToSendText(const std::string& chars) override;
    Pane FocusedPane() const override;
    void CutSelection(Pane pane) override;
    void CopySelection(Pane pane) override;
    void PastePlainText(Pane pane) override;
    void SelectAll(Pane pane) override;
    void SetFromPanelCaption(const std::string& caption) override;
    bool FromPanelVisible() const override;
    void SetFromPanelVisible(bool visible) override;
    void SetInfoText(const std::string& text) override;
    void SetReceivingSign(const std::string& sign) override;

    // DialogsView
    void ShowMessageBox(const MessageBoxRequest& box) override;
    void ShowMessageWindow(const MessageWindowRequest& window) override;
    std::optional<std::filesystem::path> RunExportDialog() override;
    void ReportError(const std::string& text) override;

    // UserListView
    void UserListContentsChanged() override;
    void RepaintUserList() override;
    void SetUserListEnabled(bool enabled) override;

    // The animation of a scan, centred over the user list.
    void ShowScanAnimation();
    void HideScanAnimation();

    // The skin SkinDir names, with its colours, shown at once.
    void ShowSkin();
    // FontName and FontSize for both panes.
    void ApplyPaneFonts();

    // The controls, named as the form has them.
    MessagePane* RecTextPane() const { return RecText_; }
    MessagePane* SendTextPane() const { return SendText_; }
    UserListWidget* UserListControl() const { return UserList_; }
    QLabel* InfoTextLabel() const { return InfoText_; }
    QLabel* FromPanelLabel() const { return FromPanel_; }
    QSplitter* Splitter1() const { return Splitter1_; }
    QSplitter* Splitter2() const { return Splitter2_; }

signals:
    // The corner of the frame asked for the main menu.
    void MainMenuRequested(QPoint globalPosition);
    // The window is becoming visible: first Showing (the start-up's FormShow), then Shown.
    void Showing();
    void Shown();
    // The user's actions, for the controller: the caption buttons and the panes' keys
    // (virtual-key codes as the controller knows them: Enter 13, Delete 46).
    void ReplyClicked();
    void SendClicked();
    void PreviousClicked();
    void NextClicked();
    void ClearClicked();
    void SendTextKeyUp(int key, bool ctrl_held);
    void RecTextKeyDown(int key);
    // A pane has taken the keyboard focus.
    void SendTextEntered();
    void RecTextEntered();

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void WireCaptionButtons();
    void ShowSkinColors();
    void ShowInfoText();
    MessagePane* PaneOf(Pane pane) const;

    TOptions& options_;
    TMsgForm* messageWindow_ = nullptr;
    ScanAnimation* scanAnimation_ = nullptr;
    bool showOnStart_ = true;
    bool userListFocusParked_ = false;  // the window holds the list's focus while it is disabled

    QWidget* Panel1_;
    QSplitter* Splitter1_;
    QSplitter* Splitter2_;
    QWidget* Panel5_;
    QLabel* FromPanel_;
    TSmallButton* FromPanelButton_;
    MessagePane* RecText_;
    MessagePane* SendText_;
    UserListWidget* UserList_;
    QLabel* InfoText_;
    QString infoText_;
    QString receivingSign_;  // lasting, before infoText_
};

}  // namespace lyr
