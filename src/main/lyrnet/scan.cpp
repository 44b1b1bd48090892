// SPDX-License-Identifier: GPL-3.0-or-later
// lyrnet scan: the network neighbourhood as the user list shows it after a scan.
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/instance_requests.h"
#include "contacts/neighbourhood_json.h"
#include "contacts/network_search.h"
#include "main/lyrnet/arguments.h"
#include "main/lyrnet/neighbourhood.h"
#include "main/lyrnet/subcommands.h"
#include "netbios/netbios_service.h"
#include "platform/linux/browse_list_enumerator.h"
#include "platform/netbios_config.h"

namespace lyr::cli {
namespace {

// Why this process hears no announcements, for people.
std::string NotOwnerProblem(const netbios::NetworkStatus& status) {
    if (status.error_number == EADDRINUSE) {
        return "UDP port " + std::to_string(status.failed_port) +
               " is in use by another program (perhaps the messenger, or Samba's nmbd). Only "
               "the program that holds the NetBIOS ports hears the announcements the network "
               "neighbourhood is made of; when that is not our messenger, scan while it is not "
               "running.";
    }
    return status.problem;
}

}  // namespace

int RunScan(const std::vector<std::string>& words) {
    Arguments arguments(words, {"wait"}, {"json"});
    if (!arguments.Positional().empty()) {
        throw UsageError("unexpected argument \"" + arguments.Positional().front() + "\"");
    }
    const long wait_seconds =
        arguments.Number("wait").value_or(ServiceNeighbourhood::kDefaultAnswerWait.count() / 1000);
    // Browsers answer an announcement request within 30 s; the running messenger is asked
    // for no longer than that either.
    if (static_cast<std::uintptr_t>(wait_seconds) > kLongestScanWaitSeconds) {
        throw UsageError("option --wait takes at most " + std::to_string(kLongestScanWaitSeconds) +
                         " seconds");
    }
    // A running messenger holds the ports and the browse list: it is asked first.
    if (auto answer = AskRunningMessenger(
            {InstanceRequestKind::Scan, static_cast<std::uintptr_t>(wait_seconds)},
            static_cast<int>(wait_seconds))) {
        if (PrintNeighbourhood(*answer, arguments.Has("json")))
            return 0;
    }
    auto config = MakeNetbiosServiceConfig(netbios::ServiceMode::Owner);
    // A scan lasts seconds: it neither announces this computer nor says goodbye for it.
    config.announce = false;
    netbios::NetbiosService service(std::move(config));
    // The browse list is kept by the process that owns the NetBIOS ports.
    if (!service.Status().network_owner) {
        std::fprintf(stderr, "lyrnet scan: %s\n", NotOwnerProblem(service.Status()).c_str());
        return 1;
    }
    ServiceNeighbourhood neighbourhood(service, std::chrono::seconds(wait_seconds));
    BrowseListEnumerator enumerator(neighbourhood);
    PrintNeighbourhood(NeighbourhoodJson(SearchNetwork(enumerator)), arguments.Has("json"));
    return 0;
}

}  // namespace lyr::cli
