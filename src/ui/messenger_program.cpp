#include "ui/messenger_program.h"

#include <QSessionManager>

#include <atomic>
#include <cstdio>
#include <memory>

#include "app/data_dir.h"
#include "app/identity.h"
#include "app/instance_requests.h"
#include "app/options.h"
#include "contacts/network_scan.h"
#include "contacts/user_list.h"
#include "messaging/main_window_controller.h"
#include "platform/linux/browse_list_enumerator.h"
#include "platform/linux/ini_profile.h"
#include "platform/linux/network_mailslot_system.h"
#include "platform/linux/no_messenger_service.h"
#include "platform/linux/registry_file.h"
#include "ui/error_report.h"
#include "ui/instance_server.h"
#include "ui/main_window.h"
#include "ui/main_window_shell.h"
#include "ui/qt_ui_thread.h"
#include "ui/session_end.h"

namespace lyr {
namespace {

// The controller's view of the user list and of the scan, over the contacts components.
class UserListAddressees final : public AddresseeList {
public:
    explicit UserListAddressees(UserList& list) : list_(list) {}
    bool Empty() const override { return list_.Empty(); }
    const std::vector<TUserData>& Entries() const override { return list_.Entries(); }
    bool ReadUsersFile() override { return list_.ReadUsersFile(); }
    void WriteUsersFile() const override { list_.WriteUsersFile(); }

private:
    UserList& list_;
};

class ScannerRequests final : public NetworkScanRequests {
public:
    explicit ScannerRequests(NetworkScanner& scanner) : scanner_(scanner) {}
    void StartNetworkScan() override { scanner_.StartNetworkScan(); }
    void ArmRescanTimer(bool auto_rescan, std::int32_t rescan_time) override {
        scanner_.ArmRescanTimer(auto_rescan, rescan_time);
    }

private:
    NetworkScanner& scanner_;
};

// The browse list of our NetBIOS service, which exists only once the network is joined (after
// the start-up took "messngr"); a scan before that finds nobody.
class JoinedNeighbourhood final : public NeighbourhoodSource {
public:
    void Join(netbios::NetbiosService& service) {
        source_ = std::make_unique<ServiceNeighbourhood>(service);
        joined_.store(source_.get(), std::memory_order_release);
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
    std::unique_ptr<ServiceNeighbourhood> source_;
    std::atomic<ServiceNeighbourhood*> joined_{nullptr};
};

// Another copy holds the token: it is asked to show its window, and this one ends.
bool HandOverToRunningCopy(const std::string& socket_path) {
    if (!AskRunningCopy(socket_path, {InstanceRequestKind::Show, 1}))
        return false;
    ShowMessageBox(QMessageBox::Information, QStringLiteral("Zendry Lyr Messenger"),
                   QStringLiteral("Другая копия программы уже запущена!"));
    return true;
}

void JoinNetwork(NetworkMailslotSystem& mailslots, JoinedNeighbourhood& neighbourhood) {
    const netbios::NetworkStatus status = mailslots.JoinNetwork(netbios::ServiceMode::Owner);
    if (mailslots.Network() != nullptr)
        neighbourhood.Join(mailslots.Network()->Service());
    if (status.network_owner)
        return;
    std::fprintf(stderr, "lyrmessenger: %s\n", status.problem.c_str());
    // Said once and without waiting: the program goes on with this computer's messages.
    auto* box = new QMessageBox(
        QMessageBox::Warning, QStringLiteral("Zendry Messenger"),
        QStringLiteral("Сеть недоступна: сообщения с других компьютеров не будут приходить."),
        QMessageBox::Ok);
    box->setDetailedText(QString::fromStdString(status.problem));
    box->setAttribute(Qt::WA_DeleteOnClose);
    if (qEnvironmentVariable("LYR_MESSAGE_BOXES") == QStringLiteral("stderr")) {
        delete box;
        return;
    }
    box->open();
}

}  // namespace

int RunMessenger(int argc, char** argv) {
    MessengerApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zendry Messenger"));
    QApplication::setQuitOnLastWindowClosed(false);

    const std::string socket_path = InstanceSocketPath();
    if (HandOverToRunningCopy(socket_path))
        return 0;

    const SpecialFolders folders = CurrentSpecialFolders();
    const std::string data_dir = ComputeDataDir(folders);
    auto settings = OpenCurrentUserKey(kOptionsKey, folders);
    TOptions options(*settings, folders);
    IniProfile identity_file(data_dir + kIdentityFileName);
    Identity identity;
    NetworkMailslotSystem mailslots;
    NoMessengerService messenger_service;
    QtUiThread ui_thread;
    JoinedNeighbourhood neighbourhood;
    BrowseListEnumerator enumerator(neighbourhood);

    // The main window first; the other windows follow its start-up (CreateForms below).
    TMainmgrForm window(options);
    UserList users(window, window, data_dir + "users.dat");
    window.SetUserList(&users);
    NetworkScanner scanner(users, window, window, window, enumerator, ui_thread);
    window.SetScanner(&scanner);
    UserListAddressees addressees(users);
    ScannerRequests scan_requests(scanner);
    MainWindowShell shell({.window = window,
                           .options = options,
                           .identity = identity,
                           .identity_file = identity_file,
                           .data_dir = data_dir,
                           .folders = folders,
                           .users = users,
                           .scanner = scanner});

    MainWindowController controller({window, window, shell, window, shell},
                                    {.options = options,
                                     .identity = identity,
                                     .identity_file = identity_file,
                                     .data_dir = data_dir,
                                     .mailslots = mailslots,
                                     .ui_thread = ui_thread,
                                     .messenger_service = messenger_service,
                                     .user_list = addressees,
                                     .network_scan = scan_requests});
    window.SetController(&controller);
    shell.SetController(&controller);

    InstanceServer instance_server([&](const InstanceRequest& request) -> std::int32_t {
        switch (request.kind) {
            case InstanceRequestKind::Show:
                return controller.OnMgrShow(request.parameter);
            case InstanceRequestKind::Version:
                return controller.OnMgrVersion();
            case InstanceRequestKind::State:
                break;
        }
        return controller.OnMgrState();
    });
    if (!instance_server.Listen(QString::fromStdString(socket_path))) {
        // A copy that started at the same moment holds it now.
        if (HandOverToRunningCopy(socket_path))
            return 0;
        std::fprintf(stderr, "lyrmessenger: cannot listen on %s\n", socket_path.c_str());
    }

    // The session's end and the termination signals end the program as a log-off does: the
    // messenger service is not to be started again, then the shutdown writes everything.
    auto end_session = [&] {
        controller.OnQueryEndSession();
        QApplication::quit();
    };
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &app,
                     [&](QSessionManager&) { controller.OnQueryEndSession(); });
    TerminationSignals termination(end_session);

    try {
        controller.FormCreate();
    } catch (const std::exception& error) {
        ReportErrorInBox(QString::fromUtf8(error.what()));
    }
    shell.CreateForms();
    if (controller.MainSlotActive())
        JoinNetwork(mailslots, neighbourhood);
    if (window.ShowOnStart())
        window.ShowMainWindow();

    const int code = QApplication::exec();
    // Nothing waits for the loop any more; the wait thread ends as the slot closes.
    ui_thread.Stop();
    try {
        controller.FormDestroy();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "lyrmessenger: %s\n", error.what());
    }
    return code;
}

}  // namespace lyr
