// SPDX-License-Identifier: GPL-3.0-or-later
#include "contacts/network_scan.h"

#include <utility>

#include "base/log.h"
#include "contacts/network_search.h"
#include "platform/codepage.h"

namespace lyr {

TSearchThread::TSearchThread(NetworkEnumerator& enumerator, UiThread& ui_thread, BeginStep begin,
                             FinishStep finish)
    : enumerator_(enumerator),
      ui_thread_(ui_thread),
      begin_(std::move(begin)),
      finish_(std::move(finish)),
      thread_([this] { Execute(); }) {}

TSearchThread::~TSearchThread() {
    stop_.store(true, std::memory_order_relaxed);
    thread_.join();
}

// Nobody waits for a scan, so a failure has no one to be reported to: a failed step or search
// still ends with the list enabled again, holding the whole-network entry alone.
void TSearchThread::Execute() {
    std::vector<TUserData> found;
    try {
        if (!ui_thread_.RunAndWait(begin_)) {
            return;
        }
        found = SearchNetwork(enumerator_, stop_);
    } catch (...) {
        LogCaughtException(LogSeverity::Error, "contacts", "The network scan failed");
        found = {WholeNetworkEntry()};
    }
    if (Stopped()) {
        return;
    }
    try {
        ui_thread_.RunAndWait([this, &found] { finish_(std::move(found)); });
    } catch (...) {
        LogCaughtException(LogSeverity::Error, "contacts",
                           "The network scan's result could not be shown");
    }
}

NetworkScanner::NetworkScanner(UserList& list, StatusLabel& status, ScanWindow& window,
                               RescanTimer& timer, NetworkEnumerator& enumerator,
                               UiThread& ui_thread)
    : list_(list),
      status_(status),
      window_(window),
      timer_(timer),
      enumerator_(enumerator),
      ui_thread_(ui_thread) {}

NetworkScanner::~NetworkScanner() = default;

void NetworkScanner::StartNetworkScan() {
    if (scanning_) {
        return;
    }
    // A finished scan's thread has nothing left to do but return.
    search_.reset();
    const std::string text = Utf8ToAnsi("Обновление списка пользователей...");
    window_.SetTrayIcon(kTrayImageWorking);
    window_.SetTrayHint(text);
    status_.SetInfoText(text);
    window_.RepaintMainWindow();
    try {
        search_ = std::make_unique<TSearchThread>(
            enumerator_, ui_thread_, [this] { BeginOnUiThread(); },
            [this](std::vector<TUserData> entries) { FinishOnUiThread(std::move(entries)); });
    } catch (...) {
        status_.SetInfoText({});
        window_.RestorePresenceTray();
        throw;
    }
    scanning_ = true;
}

void NetworkScanner::BeginOnUiThread() {
    list_.SetEnabled(false);
    list_.Clear();
    // The animation only decorates the wait; the scan goes on without it.
    try {
        window_.ShowScanAnimation();
    } catch (...) {
        LogCaughtException(LogSeverity::Warning, "contacts", "The scan animation failed");
    }
}

void NetworkScanner::FinishOnUiThread(std::vector<TUserData> entries) {
    scanning_ = false;
    list_.Replace(std::move(entries));
    status_.SetInfoText({});
    window_.RestorePresenceTray();
    list_.SetEnabled(true);
    window_.HideScanAnimation();
}

void NetworkScanner::ArmRescanTimer(bool auto_rescan, std::int32_t rescan_time) {
    if (auto_rescan && rescan_time > 0) {
        timer_.Enable(rescan_time);
    }
}

}  // namespace lyr
