// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <stdexcept>
#include <string>

#include "app/identity.h"
#include "app/instance_requests.h"
#include "platform/special_folders.h"

namespace lyr {

namespace netbios {
class NetbiosService;
}
class MainWindowController;
class MainWindowShell;
class TMainmgrForm;
class TOptions;
class UserList;

// Another process holds the data directory: it runs as this program, and this one must not
// write the same stores.
struct AnotherCopyHoldsTheData : std::runtime_error {
    AnotherCopyHoldsTheData() : std::runtime_error("another copy holds the data directory") {}
};

// The running program's parts, wired together: the settings, the identity, the mailslots, the
// main window with its controller, the user list and scan, and the shell around the window.
// Made on the UI thread after the application object. Throws AnotherCopyHoldsTheData when
// another process holds the data directory's lock.
class MessengerAssembly {
public:
    explicit MessengerAssembly(const SpecialFolders& folders);
    ~MessengerAssembly();
    MessengerAssembly(const MessengerAssembly&) = delete;
    MessengerAssembly& operator=(const MessengerAssembly&) = delete;

    // The start-up: the main window's, then the other windows, the network (once the messenger
    // slot is ours, as a sender only when it is not; unless `join_network` is false) and the window
    // shown unless MinOnStart (or when no tray host comes for the icon).
    void Start(bool join_network = true);
    // The shutdown, after the message loop has ended.
    void Finish();

    TOptions& Options();
    const std::string& DataDir() const;
    Identity& IdentityValues();
    TMainmgrForm& Window();
    UserList& Users();
    MainWindowShell& Shell();
    MainWindowController& Controller();
    // From any thread: the NetBIOS service when this program holds the NetBIOS ports, else
    // nothing. The service itself may be used from any thread while the assembly exists.
    netbios::NetbiosService* PortOwner();
    // From any thread: what the network sent this program that never became a message, since
    // it joined the network (nothing before).
    ReceiveLosses Losses() const;

private:
    void RetryMainSlot();
    void FollowReceiving(const std::string& problem);

    struct Parts;
    std::unique_ptr<Parts> parts_;
};

}  // namespace lyr
