// SPDX-License-Identifier: GPL-3.0-or-later
#include "main/messenger/messenger_program.h"

#include <QSessionManager>
#include <QThreadPool>

#include <chrono>
#include <memory>

#include "app/instance_requests.h"
#include "app/names_json.h"
#include "app/program_titles.h"
#include "contacts/neighbourhood_json.h"
#include "contacts/network_search.h"
#include "main/messenger/messenger_assembly.h"
#include "messaging/main_window_controller.h"
#include "platform/cancellation.h"
#include "platform/linux/browse_list_enumerator.h"
#include "platform/linux/descriptor_reserve.h"
#include "platform/spare_descriptor.h"
#include "ui/program/error_report.h"
#include "ui/program/instance_server.h"
#include "ui/program/qt_translations.h"
#include "ui/program/session_end.h"
#include "ui/program/ui_log.h"

namespace lyr {
namespace {

void SayAnotherCopyRuns() {
    ShowMessageBox(QMessageBox::Information, QLatin1String(kSecondStartTitle),
                   QStringLiteral("Другая копия программы уже запущена!"));
}

// Another copy holds the token: it is asked to show its window, and this one ends. A copy that
// does not answer (stopped, or its window busy) still holds it.
bool HandOverToRunningCopy(const std::string& socket_path) {
    if (!AskRunningCopy(socket_path, {InstanceRequestKind::Show, 1}) &&
        !CopyHoldsInstanceSocket(socket_path))
        return false;
    SayAnotherCopyRuns();
    return true;
}

// What threads started later and the writing of the stores may need at once.
constexpr int kDescriptorsForLater = 2;

}  // namespace

int RunMessenger(int argc, char** argv) {
    // First, so that a message shown is written whatever takes the other descriptors.
    KeepSpareDescriptor();
    DescriptorReserve reserve(kDescriptorsForLater);
    RouteQtMessagesToLog();
    MessengerApplication app(argc, argv);
    QApplication::setApplicationName(QLatin1String(kProgramTitle));
    // Wayland compositors and docks find the icon and name through the desktop entry.
    QGuiApplication::setDesktopFileName(QStringLiteral("lyrmessenger"));
    QApplication::setQuitOnLastWindowClosed(false);
    LoadQtRussianTranslations();

    // Without a safe place for the token this copy runs as the only one, unprotected.
    const std::string socket_path = InstanceSocketPath();
    if (socket_path.empty())
        qCWarning(lcUi) << "no private place for the single-instance socket (set "
                           "XDG_RUNTIME_DIR); running without it";
    else if (HandOverToRunningCopy(socket_path))
        return 0;

    // Settings that cannot be read stop the start: nothing is overwritten with defaults.
    std::unique_ptr<MessengerAssembly> assembly;
    try {
        assembly = std::make_unique<MessengerAssembly>(CurrentSpecialFolders());
    } catch (const AnotherCopyHoldsTheData&) {
        SayAnotherCopyRuns();
        return 0;
    } catch (const std::exception& error) {
        ReportErrorInBox(QString::fromUtf8(error.what()));
        return 1;
    }
    MessengerAssembly& program = *assembly;
    MainWindowController& controller = program.Controller();

    // Names and scans wait for the network's answers: on threads of their own, all done before
    // the shutdown touches the network. The end cancels their waits, and those still queued
    // are refused at once.
    QThreadPool scans;
    Cancellation ending;
    auto answer_from_network = [&](const InstanceRequest& request, InstanceServer::Reply reply) {
        netbios::NetbiosService* service = program.PortOwner();
        if (service == nullptr) {
            reply(kInstanceError);
            return;
        }
        scans.start([service, request, reply, &ending] {
            if (ending.Cancelled()) {
                reply(kInstanceError);
                return;
            }
            if (request.kind == InstanceRequestKind::Names) {
                // Right after the start the names may still be on their way.
                service->WaitForRegistration(service->LongestRegistration());
                reply(NamesJson(service->Names()));
                return;
            }
            ServiceNeighbourhood neighbourhood(*service, std::chrono::seconds(request.parameter),
                                               &ending);
            BrowseListEnumerator enumerator(neighbourhood);
            const std::string found = NeighbourhoodJson(SearchNetwork(enumerator));
            reply(ending.Cancelled() ? std::string(kInstanceError) : found);
        });
    };
    // Only showing and hiding need the window; the rest is answered while it is busy.
    InstanceServer instance_server(
        [&](const InstanceRequest& request, InstanceServer::Reply reply) {
            reply(std::to_string(controller.OnMgrShow(request.parameter)));
        },
        [&](const InstanceRequest& request, InstanceServer::Reply reply) {
            switch (request.kind) {
                case InstanceRequestKind::Version:
                    reply(std::to_string(controller.OnMgrVersion()));
                    return;
                case InstanceRequestKind::State:
                    reply(std::to_string(controller.OnMgrState()));
                    return;
                case InstanceRequestKind::Losses:
                    reply(FormatReceiveLosses(program.Losses()));
                    return;
                case InstanceRequestKind::Show:
                case InstanceRequestKind::Names:
                case InstanceRequestKind::Scan:
                    break;
            }
            answer_from_network(request, std::move(reply));
        });
    if (!socket_path.empty() && !instance_server.Listen(QString::fromStdString(socket_path))) {
        // A copy that started at the same moment holds it now.
        if (HandOverToRunningCopy(socket_path))
            return 0;
        qCWarning(lcUi).noquote() << "cannot listen on" << QString::fromStdString(socket_path);
    }

    // The session's end, the termination signals and a hang-up end the program as a log-off
    // does: the messenger service is not to be started again, then the shutdown writes
    // everything.
    auto end_session = [&] {
        controller.OnQueryEndSession();
        QApplication::quit();
    };
    // The desktop's autostart entry starts the program; a session manager must not start a
    // second copy from its saved session.
    auto never_restart = [](QSessionManager& manager) {
        manager.setRestartHint(QSessionManager::RestartNever);
    };
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &app,
                     [&](QSessionManager& manager) {
                         never_restart(manager);
                         controller.OnQueryEndSession();
                     });
    QObject::connect(&app, &QGuiApplication::saveStateRequest, &app, never_restart);
    TerminationSignals termination(end_session);

    program.Start();
    reserve.Release();
    // Made last, so that at exit() it runs before whatever Qt set up earlier is torn down.
    ShutdownOnce shutdown([&] {
        ending.Cancel();
        scans.waitForDone();
        program.Finish();
    });
    const int code = QApplication::exec();
    shutdown.Run();
    return code;
}

}  // namespace lyr
