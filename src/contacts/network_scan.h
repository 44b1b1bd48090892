// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "contacts/addressee_list.h"
#include "contacts/user_data.h"
#include "contacts/user_list.h"
#include "contacts/views.h"
#include "platform/network_enumerator.h"
#include "platform/ui_thread.h"

namespace lyr {

// One scan on a thread of its own: `begin` is handed to the UI thread, then the network is
// searched and sorted here, then `finish` gets the result on the UI thread. Both hand-overs
// wait for the UI thread; when it refuses them (its loop has stopped), the scan ends there.
class TSearchThread {
public:
    using BeginStep = std::function<void()>;
    using FinishStep = std::function<void(std::vector<TUserData>)>;

    TSearchThread(NetworkEnumerator& enumerator, UiThread& ui_thread, BeginStep begin,
                  FinishStep finish);
    // Asks the search to stop between two enumeration calls, without its result, and waits for
    // the thread. The UI thread's loop must have stopped, or the scan have finished: the thread
    // may otherwise be waiting for the UI thread that waits here.
    ~TSearchThread();
    TSearchThread(const TSearchThread&) = delete;
    TSearchThread& operator=(const TSearchThread&) = delete;

private:
    void Execute();
    bool Stopped() const { return stop_.load(std::memory_order_relaxed); }

    NetworkEnumerator& enumerator_;
    UiThread& ui_thread_;
    BeginStep begin_;
    FinishStep finish_;
    std::atomic<bool> stop_ = false;
    std::thread thread_;
};

// Fills the user list from the network neighbourhood: StartNetworkScan, the rescan timer, and
// the window steps around each scan. At most one scan runs: a start while one runs is ignored,
// since the running scan delivers what a second one would find (the list is disabled meanwhile,
// so only the rescan timer can ask). Everything here runs on the UI thread.
class NetworkScanner final : public NetworkScanRequests {
public:
    // Everything given must outlive the scanner.
    NetworkScanner(UserList& list, StatusLabel& status, ScanWindow& window, RescanTimer& timer,
                   NetworkEnumerator& enumerator, UiThread& ui_thread);
    // A scan still running ends without its result; see ~TSearchThread for when this may run.
    ~NetworkScanner();
    NetworkScanner(const NetworkScanner&) = delete;
    NetworkScanner& operator=(const NetworkScanner&) = delete;

    // Shows the working tray image and "Обновление списка пользователей..." in the tray hint and
    // the status label, then starts a scan. While it runs the list is empty and disabled and
    // the animation plays; at its end the list holds the result, the status label is empty, the
    // tray shows the presence again and the list is enabled.
    void StartNetworkScan() override;
    bool Scanning() const { return scanning_; }

    // At start-up: a repeating rescan every `rescan_time` milliseconds when `auto_rescan` is on
    // and the time is above 0 (Options.AutoRescan(), Options.RescanTime()).
    void ArmRescanTimer(bool auto_rescan, std::int32_t rescan_time) override;
    // The rescan timer's tick.
    void RescanServersTimer() { StartNetworkScan(); }

private:
    void BeginOnUiThread();
    void FinishOnUiThread(std::vector<TUserData> entries);

    UserList& list_;
    StatusLabel& status_;
    ScanWindow& window_;
    RescanTimer& timer_;
    NetworkEnumerator& enumerator_;
    UiThread& ui_thread_;
    bool scanning_ = false;
    std::unique_ptr<TSearchThread> search_;  // last: it goes first, while the rest still exists
};

}  // namespace lyr
