#include <cstdio>

#include "main/lyrnet/arguments.h"
#include "main/lyrnet/subcommands.h"
#include "netbios/netbios_service.h"
#include "platform/netbios_config.h"

namespace lyr::cli {
namespace {

std::string StateText(const netbios::HeldName& name) {
    switch (name.state) {
        case netbios::NameState::Registering:
            return "registering";
        case netbios::NameState::Registered:
            return "registered";
        case netbios::NameState::Conflict:
            return "conflict with " + netbios::FormatAddress(name.refused_by);
        case netbios::NameState::Refused:
            return "refused by " + netbios::FormatAddress(name.refused_by);
    }
    return {};
}

}  // namespace

int RunNames(const std::vector<std::string>& words) {
    Arguments arguments(words, {}, {});
    if (!arguments.Positional().empty()) {
        throw UsageError("takes no arguments");
    }
    auto config = MakeNetbiosServiceConfig(netbios::ServiceMode::Owner);
    config.announce = false;  // a look at the names, not a stay on the network
    netbios::NetbiosService service(std::move(config));
    auto status = service.Status();
    if (!status.network_owner) {
        std::fprintf(stderr, "lyrnet names: %s\n", status.problem.c_str());
        return 1;
    }
    const auto& settings = service.Config();
    service.WaitForRegistration(settings.registration_interval * (settings.registration_tries + 1));
    bool all_registered = true;
    for (const auto& name : service.Names()) {
        std::printf("%-20s %-6s %s\n", name.name.ToString().c_str(),
                    name.group ? "group" : "unique", StateText(name).c_str());
        all_registered = all_registered && name.state == netbios::NameState::Registered;
    }
    return all_registered ? 0 : 1;
}

}  // namespace lyr::cli
