// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main_window/scan_views.h"

#include "messaging/main_window_controller.h"
#include "ui/main_window/main_window.h"

namespace lyr {

RescanServersTimer::RescanServersTimer(std::function<void()> on_timeout) {
    QObject::connect(&timer_, &QTimer::timeout, &timer_, std::move(on_timeout));
}

void RescanServersTimer::Enable(std::int32_t interval_milliseconds) {
    timer_.start(interval_milliseconds);
}

void RescanServersTimer::SetInterval(int milliseconds) {
    if (timer_.isActive())
        timer_.start(milliseconds);
    else
        timer_.setInterval(milliseconds);
}

void RescanServersTimer::SetEnabled(bool enabled) {
    if (!enabled)
        timer_.stop();
    else if (!timer_.isActive())
        timer_.start();
}

void MainWindowScanView::RestorePresenceTray() {
    controller_.RestorePresenceTray();
}

void MainWindowScanView::RepaintMainWindow() {
    window_.repaint();
}

void MainWindowScanView::ShowScanAnimation() {
    window_.ShowScanAnimation();
}

void MainWindowScanView::HideScanAnimation() {
    window_.HideScanAnimation();
}

}  // namespace lyr
