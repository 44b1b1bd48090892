// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdio>

#include "app/instance_requests.h"
#include "app/names_json.h"
#include "main/lyrnet/arguments.h"
#include "main/lyrnet/neighbourhood.h"
#include "main/lyrnet/subcommands.h"
#include "netbios/netbios_service.h"
#include "platform/netbios_config.h"

namespace lyr::cli {
int RunNames(const std::vector<std::string>& words) {
    Arguments arguments(words, {}, {});
    if (!arguments.Positional().empty()) {
        throw UsageError("takes no arguments");
    }
    // A running messenger holds the ports and the names: it is asked first.
    if (auto answer = AskRunningMessenger({InstanceRequestKind::Names, 0}, 0)) {
        if (auto all_registered = PrintNames(*answer))
            return *all_registered ? 0 : 1;
    }
    auto config = MakeNetbiosServiceConfig(netbios::ServiceMode::Owner);
    config.announce = false;  // a look at the names, not a stay on the network
    netbios::NetbiosService service(std::move(config));
    auto status = service.Status();
    if (!status.network_owner) {
        std::fprintf(stderr, "lyrnet names: %s\n", status.problem.c_str());
        return 1;
    }
    service.WaitForRegistration(service.LongestRegistration());
    return PrintNames(NamesJson(service.Names())).value_or(false) ? 0 : 1;
}

}  // namespace lyr::cli
