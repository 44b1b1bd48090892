// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QTimer>

#include <cstdint>
#include <functional>

#include "contacts/views.h"
#include "messaging/main_window_views.h"

namespace lyr {

class MainWindowController;
class TMainmgrForm;

// The timer RescanServers: each time it runs out, `on_timeout` (a new scan) runs.
class RescanServersTimer final : public RescanTimer {
public:
    explicit RescanServersTimer(std::function<void()> on_timeout);

    void Enable(std::int32_t interval_milliseconds) override;
    // The period (a running timer starts it anew) and whether it runs, as the settings dialog
    // changes them.
    void SetInterval(int milliseconds);
    void SetEnabled(bool enabled);
    bool Active() const { return timer_.isActive(); }

private:
    QTimer timer_;
};

// What a scan shows: the tray's image and hint, the main window's repaint and the animation
// over its list, and the presence's tray image at the end.
class MainWindowScanView final : public ScanWindow {
public:
    // All three must outlive the view; the controller is used only once a scan ends.
    MainWindowScanView(TMainmgrForm& window, TrayView& tray, MainWindowController& controller)
        : window_(window), tray_(tray), controller_(controller) {}

    void SetTrayIcon(int image) override { tray_.SetTrayIcon(image); }
    void SetTrayHint(const std::string& hint) override { tray_.SetTrayHint(hint); }
    void RestorePresenceTray() override;
    void RepaintMainWindow() override;
    void ShowScanAnimation() override;
    void HideScanAnimation() override;

private:
    TMainmgrForm& window_;
    TrayView& tray_;
    MainWindowController& controller_;
};

}  // namespace lyr
