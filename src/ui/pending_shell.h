#pragma once

#include <functional>

#include "messaging/main_window_views.h"

namespace lyr {

// The tray icon and the menus until their components are wired in: the tray shows nothing,
// the menus have nothing to refresh, there is no hot key. The start timer and the beeps work.
class PendingTray final : public TrayView {
public:
    void SetTrayIcon(int) override {}
    void SetTrayHint(const std::string&) override {}
    void StartTrayAnimation() override {}
    void StopTrayAnimation() override {}
    void SetChecked(MenuItem, bool) override {}
};

class PendingShell final : public ShellView {
public:
    // `start_timer_fired` is called 100 ms after EnableSetTextOnStartTimer.
    explicit PendingShell(std::function<void()> start_timer_fired)
        : start_timer_fired_(std::move(start_timer_fired)) {}

    void RefreshMenus() override {}
    void UpdateHotKey() override {}
    void UnregisterHotKey() override {}
    void AddViewSkinsMenuItem() override {}
    void EnableSetTextOnStartTimer() override;
    void MessageBeep(std::uint32_t type) override;

private:
    std::function<void()> start_timer_fired_;
};

}  // namespace lyr
