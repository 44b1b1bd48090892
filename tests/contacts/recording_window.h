// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "contacts/views.h"
#include "platform/codepage.h"

namespace lyr::test {

// The main window as the user list and the scan see it: every call is logged (texts in UTF-8)
// with the thread it came on. Others may add to the log from any thread.
class RecordingWindow final : public UserListView,
                              public StatusLabel,
                              public ScanWindow,
                              public RescanTimer {
public:
    struct Event {
        std::string what;
        std::thread::id thread;
    };

    void UserListContentsChanged() override { Log("contents changed"); }
    void RepaintUserList() override { Log("repaint list"); }
    void SetUserListEnabled(bool enabled) override {
        Log(enabled ? "list enabled" : "list disabled");
    }
    void SetInfoText(const std::string& text) override {
        Log("info text \"" + AnsiToUtf8(text) + "\"");
        std::lock_guard lock(mutex_);
        info_text_ = text;
    }
    void SetTrayIcon(int image) override { Log("tray icon " + std::to_string(image)); }
    void SetTrayHint(const std::string& hint) override {
        Log("tray hint \"" + AnsiToUtf8(hint) + "\"");
    }
    void RestorePresenceTray() override { Log("presence tray"); }
    void RepaintMainWindow() override { Log("repaint window"); }
    void ShowScanAnimation() override {
        if (animation_fails) {
            throw std::runtime_error("no animation");
        }
        Log("animation shown");
    }
    void HideScanAnimation() override { Log("animation hidden"); }
    void Enable(std::int32_t interval) override { Log("timer " + std::to_string(interval)); }

    void Log(std::string what) {
        std::lock_guard lock(mutex_);
        events_.push_back({std::move(what), std::this_thread::get_id()});
    }
    std::vector<Event> Events() {
        std::lock_guard lock(mutex_);
        return events_;
    }
    std::vector<std::string> Log() {
        std::vector<std::string> log;
        for (const auto& event : Events()) {
            log.push_back(event.what);
        }
        return log;
    }
    void ClearLog() {
        std::lock_guard lock(mutex_);
        events_.clear();
    }
    // In the ANSI code page, as the label got it.
    std::string InfoText() {
        std::lock_guard lock(mutex_);
        return info_text_;
    }

    bool animation_fails = false;  // set before a scan starts

private:
    std::mutex mutex_;
    std::vector<Event> events_;
    std::string info_text_;
};

}  // namespace lyr::test
