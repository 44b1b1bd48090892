// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "contacts/addressee_list.h"
#include "messaging/main_window_views.h"
#include "platform/error.h"
#include "platform/messenger_service.h"

namespace lyr::test {

// The screen of the main window as the tests see it: what each view holds now, and one shared
// list of the calls in the order they came (the state-changing ones), for the order of the
// start-up and shutdown steps.
struct CallLog {
    std::vector<std::string> calls;
    void Add(std::string call) { calls.push_back(std::move(call)); }
};

class FakeWindow : public MainWindowView {
public:
    explicit FakeWindow(CallLog& log) : log_(log) {}

    void SetCaption(const std::string& text) override {
        log_.Add("SetCaption");
        caption = text;
    }
    WindowBounds Bounds() const override { return bounds; }
    void SetBounds(const WindowBounds& value) override {
        log_.Add("SetBounds");
        bounds = value;
    }
    ClientSize GetClientSize() const override { return client; }
    void SetClientSize(const ClientSize& size) override {
        log_.Add("SetClientSize");
        client = size;
    }
    void PlaceControls(const MainWindowLayout& value) override {
        log_.Add("PlaceControls");
        layout = value;
    }
    std::int32_t Panel2Width() const override { return panel2_width; }
    std::int32_t Panel5Height() const override { return panel5_height; }
    void CreateSkinTiles() override { Step("CreateSkinTiles"); }
    void CreateCaptionButtons() override { Step("CreateCaptionButtons"); }
    void LoadSkin() override { Step("LoadSkin"); }
    void ApplySkinColorsAndFonts() override { Step("ApplySkinColorsAndFonts"); }
    void SetShowOnStart(bool show) override {
        log_.Add("SetShowOnStart");
        show_on_start = show;
    }
    bool IsVisible() const override { return visible; }
    void ShowMainWindow() override {
        log_.Add("ShowMainWindow");
        visible = true;
    }
    void HideMainWindow() override {
        log_.Add("HideMainWindow");
        visible = false;
    }
    void FocusMainWindow() override { log_.Add("FocusMainWindow"); }
    void SetSendEnabled(bool enabled) override { send_enabled = enabled; }
    void RememberForegroundWindow() override { log_.Add("RememberForegroundWindow"); }
    void RestoreForegroundWindow() override { log_.Add("RestoreForegroundWindow"); }

    std::string caption;
    WindowBounds bounds{0, 0, 369, 229};
    ClientSize client{353, 203};  // the window's design size
    std::optional<MainWindowLayout> layout;
    std::int32_t panel2_width = 188;
    std::int32_t panel5_height = 81;
    std::optional<bool> show_on_start;
    bool visible = false;
    bool send_enabled = true;
    // The skin step that throws, and a call to make inside a step.
    std::string failing_step;
    std::function<void(const std::string&)> on_step;

private:
    void Step(const std::string& name) {
        log_.Add(name);
        if (on_step) {
            on_step(name);
        }
        if (name == failing_step) {
            throw Exception("skin step failed: " + name);
        }
    }

    CallLog& log_;
};

class FakePanes : public MessagePanesView {
public:
    explicit FakePanes(CallLog& log) : log_(log) {}

    std::string RecText() const override { return rec_text; }
    void SetRecText(const std::string& text) override {
        log_.Add("SetRecText");
        rec_text = text;
        rec_text_first_line_emphasized = false;
    }
    void EmphasizeRecTextFirstLine() override { rec_text_first_line_emphasized = true; }
    void SetRecTextWordWrap(bool wrap) override {
        log_.Add("SetRecTextWordWrap");
        word_wrap = wrap;
    }
    std::string SendText() const override { return send_text; }
    void SetSendText(const std::string& text) override { send_text = text; }
    void FocusSendText() override {
        log_.Add("FocusSendText");
        focused = Pane::SendText;
    }
    void PostCharsToSendText(const std::string& chars) override { posted_chars += chars; }
    Pane FocusedPane() const override { return focused; }
    void CutSelection(Pane pane) override { Clipboard("Cut", pane); }
    void CopySelection(Pane pane) override { Clipboard("Copy", pane); }
    void PastePlainText(Pane pane) override { Clipboard("PastePlainText", pane); }
    void SelectAll(Pane pane) override { Clipboard("SelectAll", pane); }
    void SetFromPanelCaption(const std::string& caption) override {
        log_.Add("SetFromPanelCaption");
        from_panel_caption = caption;
    }
    bool FromPanelVisible() const override { return from_panel_visible; }
    void SetFromPanelVisible(bool visible) override { from_panel_visible = visible; }
    void SetInfoText(const std::string& text) override { info_text = text; }
    void SetReceivingSign(const std::string& sign) override { receiving_sign = sign; }

    std::string rec_text;
    bool rec_text_first_line_emphasized = false;
    std::optional<bool> word_wrap;
    std::string send_text;
    std::string from_panel_caption;
    bool from_panel_visible = true;
    std::string info_text;
    std::string receiving_sign;
    // Typed into SendText after the handler returned (not part of send_text).
    std::string posted_chars;
    Pane focused = Pane::None;
    std::vector<std::string> clipboard_calls;

private:
    void Clipboard(const std::string& command, Pane pane) {
        clipboard_calls.push_back(command + (pane == Pane::SendText  ? " SendText"
                                             : pane == Pane::RecText ? " RecText"
                                                                     : " None"));
    }

    CallLog& log_;
};

class FakeTray : public TrayView {
public:
    explicit FakeTray(CallLog& log) : log_(log) {}

    void SetTrayIcon(int value) override {
        log_.Add("SetTrayIcon " + std::to_string(value));
        image = value;
    }
    void SetTrayHint(const std::string& value) override {
        log_.Add("SetTrayHint");
        hint = value;
        hints.push_back(value);
    }
    void StartTrayAnimation() override {
        log_.Add("StartTrayAnimation");
        animating = true;
    }
    void StopTrayAnimation() override {
        log_.Add("StopTrayAnimation");
        animating = false;
        if (on_animation_stopped) {
            on_animation_stopped();
        }
    }
    void SetChecked(MenuItem item, bool value) override { checked[item] = value; }

    int image = -1;
    std::string hint;
    std::vector<std::string> hints;
    bool animating = false;
    std::map<MenuItem, bool> checked;
    std::function<void()> on_animation_stopped;

private:
    CallLog& log_;
};

class FakeDialogs : public DialogsView {
public:
    explicit FakeDialogs(CallLog& log) : log_(log) {}

    void ShowMessageBox(const MessageBoxRequest& box) override {
        log_.Add("ShowMessageBox");
        boxes.push_back(box);
        if (while_box_open) {
            while_box_open(box);
        }
        log_.Add("MessageBoxClosed");
    }
    void ShowMessageWindow(const MessageWindowRequest& window) override {
        log_.Add("ShowMessageWindow");
        message_windows.push_back(window);
    }
    std::optional<std::filesystem::path> RunExportDialog() override {
        ++export_dialogs;
        return export_choice;
    }
    void ReportError(const std::string& text) override {
        log_.Add("ReportError");
        errors.push_back(text);
    }

    std::vector<MessageBoxRequest> boxes;
    std::vector<MessageWindowRequest> message_windows;
    std::vector<std::string> errors;
    int export_dialogs = 0;
    std::optional<std::filesystem::path> export_choice;  // nothing: the user cancels
    // Runs inside a box's modal loop, as a window system would deliver other events there.
    std::function<void(const MessageBoxRequest&)> while_box_open;

private:
    CallLog& log_;
};

class FakeShell : public ShellView {
public:
    explicit FakeShell(CallLog& log) : log_(log) {}

    void RefreshMenus() override {
        log_.Add("RefreshMenus");
        if (on_refresh_menus) {
            on_refresh_menus();
        }
    }
    void UpdateHotKey() override {
        log_.Add("UpdateHotKey");
        hot_key_registered = true;
    }
    void UnregisterHotKey() override {
        log_.Add("UnregisterHotKey");
        hot_key_registered = false;
    }
    void AddViewSkinsMenuItem() override { log_.Add("AddViewSkinsMenuItem"); }
    void EnableSetTextOnStartTimer() override {
        log_.Add("EnableSetTextOnStartTimer");
        start_timer_enabled = true;
    }
    void MessageBeep(std::uint32_t type) override { beeps.push_back(type); }
    void DesktopNotify(std::int32_t position, const std::string& sender,
                       const std::string& text) override {
        desktop_notifications.push_back({position, sender, text});
    }
    void DesktopNotifyState(const std::string& summary, const std::string& body) override {
        state_notifications.push_back(summary + ": " + body);
    }

    struct DesktopNotification {
        std::int32_t position = 0;
        std::string sender;
        std::string text;
        friend bool operator==(const DesktopNotification&, const DesktopNotification&) = default;
    };

    bool hot_key_registered = false;
    bool start_timer_enabled = false;
    std::vector<std::uint32_t> beeps;
    std::vector<DesktopNotification> desktop_notifications;
    std::vector<std::string> state_notifications;  // "summary: body"
    std::function<void()> on_refresh_menus;

private:
    CallLog& log_;
};

class FakeNetworkScan : public NetworkScanRequests {
public:
    explicit FakeNetworkScan(CallLog& log) : log_(log) {}

    void StartNetworkScan() override {
        log_.Add("StartNetworkScan");
        ++scans;
    }
    void ArmRescanTimer(bool auto_rescan, std::int32_t rescan_time) override {
        log_.Add("ArmRescanTimer");
        armed = {auto_rescan, rescan_time};
    }

    int scans = 0;
    std::optional<std::pair<bool, std::int32_t>> armed;

private:
    CallLog& log_;
};

// The service manager of a system that has the messenger service.
class FakeMessengerService : public MessengerServiceControl {
public:
    explicit FakeMessengerService(CallLog& log) : log_(log) {}

    ServiceStopOutcome StopMessengerService() override {
        log_.Add("StopMessengerService");
        return stop_outcome;
    }
    void StartMessengerService() override {
        log_.Add("StartMessengerService");
        ++starts;
    }

    ServiceStopOutcome stop_outcome{true, std::nullopt};
    int starts = 0;

private:
    CallLog& log_;
};

struct FakeViews {
    CallLog log;
    FakeWindow window{log};
    FakePanes panes{log};
    FakeTray tray{log};
    FakeDialogs dialogs{log};
    FakeShell shell{log};
    FakeNetworkScan scan{log};
    FakeMessengerService service{log};

    MainWindowViews Views() { return {window, panes, tray, dialogs, shell}; }
};

}  // namespace lyr::test
