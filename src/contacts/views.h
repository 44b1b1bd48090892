// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace lyr {

// What the user list and the network scan need of the main window. The window implements these;
// every call comes on the UI thread. Texts are in the ANSI code page, like all core strings.

// The images of the tray icon.
enum TrayImage : int {
    kTrayImageActive = 0,
    kTrayImageAutoReply = 1,
    kTrayImageBusy = 2,
    kTrayImageWorking = 3,  // starting, closing, or busy with a scan or the service
};

// The one-line status label at the bottom of the main window (InfoText).
class StatusLabel {
public:
    virtual ~StatusLabel() = default;
    virtual void SetInfoText(const std::string& text) = 0;
};

// The list control that shows the UserList's entries, one 16-pixel row each.
class UserListView {
public:
    virtual ~UserListView() = default;
    // Entries were replaced, inserted or removed: the view takes the rows anew.
    virtual void UserListContentsChanged() = 0;
    // The same rows are to be drawn again (ticks changed, or a left press happened).
    virtual void RepaintUserList() = 0;
    // A disabled list takes no presses, no focus and no popup menu.
    virtual void SetUserListEnabled(bool enabled) = 0;
};

// What the add-user dialog (TAddUserDlg) returns when it closes with OK.
struct NewUser {
    std::string Name;   // the text of NewCompName, as typed
    std::string Group;  // the text of DomainBox, empty when nothing is selected
};

class AddUserDialog {
public:
    virtual ~AddUserDialog() = default;
    // Shows the dialog modally with NewCompName empty and `groups` in DomainBox, the first one
    // selected (none when there are none). Nothing when it closes otherwise than with OK.
    virtual std::optional<NewUser> ShowModal(const std::vector<std::string>& groups) = 0;
};

// What a network scan shows besides the list.
class ScanWindow {
public:
    virtual ~ScanWindow() = default;
    // An image of the tray images: 0 active, 1 auto-reply, 2 busy, 3 working.
    virtual void SetTrayIcon(int image) = 0;
    virtual void SetTrayHint(const std::string& hint) = 0;
    // Puts back the tray image of the current presence and rebuilds the hint (UpdateTrayHint).
    virtual void RestorePresenceTray() = 0;
    // Repaints the main window at once, so the status text shows before the scan starts.
    virtual void RepaintMainWindow() = 0;
    // The animation of a search for computers, centred over the list. A failure to show it is
    // the window's to ignore: the scan goes on without.
    virtual void ShowScanAnimation() = 0;
    virtual void HideScanAnimation() = 0;
};

// The repeating rescan timer RescanServers; every tick must call
// NetworkScanner::RescanServersTimer.
class RescanTimer {
public:
    virtual ~RescanTimer() = default;
    virtual void Enable(std::int32_t interval_milliseconds) = 0;
};

}  // namespace lyr
