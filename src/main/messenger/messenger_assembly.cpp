// SPDX-License-Identifier: GPL-3.0-or-later
#include "main/messenger/messenger_assembly.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "app/data_dir.h"
#include "app/identity.h"
#include "app/options.h"
#include "app/program_titles.h"
#include "contacts/network_scan.h"
#include "contacts/user_list.h"
#include "contacts/users_file.h"
#include "messaging/main_window_controller.h"
#include "platform/codepage.h"
#include "platform/folder_lock.h"
#include "platform/linux/browse_list_enumerator.h"
#include "platform/linux/ini_profile.h"
#include "platform/linux/local_mailslot_receiver.h"
#include "platform/linux/network_mailslot_system.h"
#include "platform/linux/no_messenger_service.h"
#include "platform/linux/registry_file.h"
#include "platform/messenger_message.h"
#include "transport/messenger_datagram.h"
#include "ui/main_window/main_window.h"
#include "ui/main_window/main_window_shell.h"
#include "ui/main_window/scan_views.h"
#include "ui/program/error_report.h"
#include "ui/program/qt_ui_thread.h"
#include "ui/program/ui_log.h"

namespace lyr {
namespace {

// The browse list of our NetBIOS service, which exists only once the network is joined (after
// the start-up took "messngr"); a scan before that finds nobody. A sender that later takes the
// slot joins again as the receiver; the sender's list stays for a scan that may still read it.
class JoinedNeighbourhood final : public NeighbourhoodSource {
public:
    void Join(netbios::NetbiosService& service) {
        sources_.push_back(std::make_unique<ServiceNeighbourhood>(service));
        joined_.store(sources_.back().get(), std::memory_order_release);
    }
    void Refresh() override {
        if (auto* source = joined_.load(std::memory_order_acquire))
            source->Refresh();
    }
    netbios::BrowseSnapshot Snapshot() override {
        auto* source = joined_.load(std::memory_order_acquire);
        return source != nullptr ? source->Snapshot() : netbios::BrowseSnapshot{};
    }

private:
    std::vector<std::unique_ptr<ServiceNeighbourhood>> sources_;  // at most two
    std::atomic<ServiceNeighbourhood*> joined_{nullptr};
};

// The network as the owner of "messngr" (receiving and sending), or, when another process owns
// the slot, as a sender only, as lyrnet send joins it. Returns why the owner cannot receive from
// the network (UTF-8), empty when it can or when it is only a sender.
std::string JoinNetwork(NetworkMailslotSystem& mailslots, JoinedNeighbourhood& neighbourhood,
                        bool slot_is_ours) {
    // Messages over the session service (TCP 139) go into our own "messngr" queue as datagrams.
    const netbios::NetworkStatus status = mailslots.JoinNetwork(
        slot_is_ours ? netbios::ServiceMode::Owner : netbios::ServiceMode::Client,
        &BuildMessengerDatagram);
    if (mailslots.Network() != nullptr)
        neighbourhood.Join(mailslots.Network()->Service());
    if (!status.session_problem.empty())
        qCWarning(lcUi).noquote() << QString::fromStdString(status.session_problem);
    if (status.network_owner || !slot_is_ours)
        return {};
    qCWarning(lcUi).noquote() << QString::fromStdString(status.problem);
    return status.problem.empty() ? std::string("the network could not be joined") : status.problem;
}

void SayNetworkUnavailable(const std::string& problem) {
    // Said once and without waiting: the program goes on with this computer's messages.
    auto* box = new QMessageBox(
        QMessageBox::Warning, QLatin1String(kProgramTitle),
        QStringLiteral("Сеть недоступна: сообщения с других компьютеров не будут приходить."),
        QMessageBox::Ok);
    box->setDetailedText(QString::fromStdString(problem) +
                         QStringLiteral("\n\nПроверить, что мешает приему: lyrnet doctor"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    if (MessageBoxesGoToStandardError()) {
        delete box;
        return;
    }
    box->open();
}

// How often a program that only sends tries to take "messngr" again: LYR_SLOT_RETRY_SECONDS
// (for tests), else every 30 s; a timer, so an idle program costs nothing in between.
std::chrono::milliseconds SlotRetryInterval() {
    if (const char* text = std::getenv("LYR_SLOT_RETRY_SECONDS")) {
        const int seconds = std::atoi(text);
        if (seconds > 0)
            return std::chrono::seconds(seconds);
    }
    return std::chrono::seconds(30);
}

bool CheckDataLock(const FolderLock& lock) {
    if (lock.LockState() == FolderLock::State::HeldByAnother)
        throw AnotherCopyHoldsTheData();
    if (lock.LockState() == FolderLock::State::Unavailable)
        qCWarning(lcUi) << "the data directory takes no lock file; running without that guard";
    return true;
}

// How long a program started in the tray waits for a tray host (one that starts with the same
// desktop session) before it shows its window instead.
constexpr int kTrayWaitMs = 10000;

}  // namespace

// Everything of the running program, in the order it is made; it goes in the reverse order.
struct MessengerAssembly::Parts {
    explicit Parts(const SpecialFolders& special_folders)
        : folders(special_folders),
          data_dir(ComputeDataDir(folders)),
          data_lock(data_dir),
          data_lock_checked(CheckDataLock(data_lock)),
          settings(OpenCurrentUserKey(kOptionsKey, folders)),
          options(*settings, folders),
          identity_file(data_dir + kIdentityFileName),
          enumerator(neighbourhood),
          window(options),
          users(window, window, data_dir + kUsersFileName),
          rescan_timer([this] { scanner.RescanServersTimer(); }),
          // The scan's view reaches the shell and the controller, made after it, only once a
          // scan runs: none runs before Start.
          scan_view(window, shell, controller),
          scanner(users, window, scan_view, rescan_timer, enumerator, ui_thread),
          shell({.window = window,
                 .options = options,
                 .identity = identity,
                 .identity_file = identity_file,
                 .data_dir = data_dir,
                 .folders = folders,
                 .users = users,
                 .scanner = scanner,
                 .rescan_timer = rescan_timer,
                 .controller = controller}),
          controller({window, window, shell, window, shell},
                     {.options = options,
                      .identity = identity,
                      .identity_file = identity_file,
                      .data_dir = data_dir,
                      .mailslots = mailslots,
                      .ui_thread = ui_thread,
                      .messenger_service = messenger_service,
                      .user_list = users,
                      .network_scan = scanner,
                      .send_in_background = true}) {
        window.SetUserList(&users);
    }

    SpecialFolders folders;
    std::string data_dir;
    // Held for the whole run: the second guard, beside the instance socket, against two
    // processes writing the same stores.
    FolderLock data_lock;
    bool data_lock_checked;
    std::unique_ptr<RegistryKey> settings;
    TOptions options;
    IniProfile identity_file;
    Identity identity;
    NetworkMailslotSystem mailslots;
    NoMessengerService messenger_service;
    QtUiThread ui_thread;
    JoinedNeighbourhood neighbourhood;
    BrowseListEnumerator enumerator;
    // The main window first; the other windows follow its start-up (Start).
    TMainmgrForm window;
    UserList users;
    RescanServersTimer rescan_timer;
    MainWindowScanView scan_view;
    NetworkScanner scanner;
    MainWindowShell shell;
    MainWindowController controller;
    QTimer slot_retry;
    // While this is there, what the NetBIOS service tells of its ports and names reaches the
    // controller; it goes first, so nothing reaches a controller that is going.
    std::shared_ptr<int> following_receiving = std::make_shared<int>(0);
};

MessengerAssembly::MessengerAssembly(const SpecialFolders& folders)
    : parts_(std::make_unique<Parts>(folders)) {}

MessengerAssembly::~MessengerAssembly() = default;

void MessengerAssembly::Start(bool join_network) {
    Parts& p = *parts_;
    // Received texts are converted from the OEM code page on this thread. Its converter is made
    // now, while descriptors are left for loading its tables; a failure shows with the message.
    try {
        OemToAnsi(" ");
    } catch (const std::exception&) {
    }
    try {
        p.controller.FormCreate();
    } catch (const std::exception& error) {
        ReportErrorInBox(QString::fromUtf8(error.what()));
    }
    p.shell.CreateForms();
    if (join_network) {
        const bool slot_is_ours = p.controller.MainSlotActive();
        // A service that cannot be set up (no descriptors left) leaves this computer's own
        // messages, and says why the network's do not come.
        std::string problem;
        try {
            problem = JoinNetwork(p.mailslots, p.neighbourhood, slot_is_ours);
        } catch (const std::exception& error) {
            qCWarning(lcUi).noquote() << "the network cannot be joined:" << error.what();
            problem = error.what();
        }
        if (slot_is_ours)
            FollowReceiving(problem);
        if (!problem.empty())
            SayNetworkUnavailable(problem);
        if (!slot_is_ours) {
            QObject::connect(&p.slot_retry, &QTimer::timeout, [this] { RetryMainSlot(); });
            p.slot_retry.start(SlotRetryInterval());
        }
    }
    if (p.window.ShowOnStart())
        p.window.ShowMainWindow();
    else
        p.shell.ShowWindowUnlessTrayAppears(kTrayWaitMs);
}

// The other receiver has ended: the slot is taken and the network joined again, as its receiver.
void MessengerAssembly::RetryMainSlot() {
    Parts& p = *parts_;
    if (!p.controller.RetryMainSlot())
        return;
    p.slot_retry.stop();
    qCInfo(lcUi) << kMessengerSlot << "is ours now; joining the network as its receiver";
    try {
        FollowReceiving(JoinNetwork(p.mailslots, p.neighbourhood, true));
    } catch (const std::exception& error) {
        p.controller.SetReceivingProblem(error.what());
    }
}

// The window's sign follows the owner's receiving: at once, then whenever the service says that
// its ports or names changed (taken back after another program let go, refused, in conflict).
// The service tells on its own thread; the sign is set on ours. Without a service (the network
// could not be joined) the sign says `problem`.
void MessengerAssembly::FollowReceiving(const std::string& problem) {
    Parts& p = *parts_;
    NetbiosMailslotNetwork* network = p.mailslots.Network();
    if (network == nullptr) {
        p.controller.SetReceivingProblem(problem);
        return;
    }
    netbios::NetbiosService& service = network->Service();
    auto update = [&service, &controller = p.controller,
                   following = std::weak_ptr<int>(p.following_receiving)] {
        if (following.lock())
            controller.SetReceivingProblem(service.ReceivingProblem());
    };
    service.SetStatusListener(
        [update] { QMetaObject::invokeMethod(qApp, update, Qt::QueuedConnection); });
    update();
}

void MessengerAssembly::Finish() {
    Parts& p = *parts_;
    p.slot_retry.stop();
    p.following_receiving.reset();
    // Nothing waits for the loop any more; the wait thread ends as the slot closes.
    p.ui_thread.Stop();
    try {
        p.controller.FormDestroy();
    } catch (const std::exception& error) {
        qCCritical(lcUi).noquote() << "shutdown:" << QString::fromUtf8(error.what());
    }
}

TOptions& MessengerAssembly::Options() {
    return parts_->options;
}
const std::string& MessengerAssembly::DataDir() const {
    return parts_->data_dir;
}
Identity& MessengerAssembly::IdentityValues() {
    return parts_->identity;
}
TMainmgrForm& MessengerAssembly::Window() {
    return parts_->window;
}
UserList& MessengerAssembly::Users() {
    return parts_->users;
}
MainWindowShell& MessengerAssembly::Shell() {
    return parts_->shell;
}
MainWindowController& MessengerAssembly::Controller() {
    return parts_->controller;
}

}  // namespace lyr

namespace lyr {

netbios::NetbiosService* MessengerAssembly::PortOwner() {
    NetbiosMailslotNetwork* network = parts_->mailslots.JoinedNetwork();
    if (network == nullptr || !network->Service().Status().network_owner)
        return nullptr;
    return &network->Service();
}

ReceiveLosses MessengerAssembly::Losses() const {
    // The messenger's own queue drops what comes beyond its bound while it is not read.
    ReceiveLosses losses;
    losses.mailslot_drops = LocalMailslotReceiver::DroppedInThisProcess();
    NetbiosMailslotNetwork* network = parts_->mailslots.JoinedNetwork();
    if (network == nullptr)
        return losses;
    const netbios::NetbiosService& service = network->Service();
    losses.kernel_drops = service.KernelDroppedDatagrams();
    losses.refused_writes = service.RefusedLargeWrites();
    losses.refused_session_messages = service.RefusedLargeSessionMessages();
    losses.mailslot_drops += network->Delivery().Dropped();
    return losses;
}

}  // namespace lyr
