// lyrnet scan: the network neighbourhood as the user list shows it after a scan.
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "contacts/user_data.h"
#include "main/lyrnet/arguments.h"
#include "main/lyrnet/subcommands.h"
#include "main/lyrnet/terminal_text.h"
#include "netbios/netbios_service.h"
#include "platform/codepage.h"
#include "platform/linux/browse_list_enumerator.h"
#include "platform/netbios_config.h"

namespace lyr::cli {
namespace {

constexpr long kMaxWaitSeconds = 3600;
constexpr std::uint32_t kRecordsPerCall = 100;

// Every record of one container, or none when it cannot be opened.
std::vector<NetResource> RecordsOf(NetworkEnumerator& enumerator, const NetResource* container) {
    std::vector<NetResource> all;
    NetworkEnumerator::Handle handle = 0;
    if (enumerator.OpenEnum(kResourceGlobalNet, kResourceTypeAny, 0, container, handle) !=
        kNoError) {
        return all;
    }
    std::vector<NetResource> records;
    while (enumerator.EnumResource(handle, kRecordsPerCall, records) == kNoError) {
        all.insert(all.end(), records.begin(), records.end());
    }
    enumerator.CloseEnum(handle);
    return all;
}

std::string WithoutLeadingBackslashes(const std::string& name) {
    return name.substr(std::min(name.find_first_not_of('\\'), name.size()));
}

// The workgroups with their computers, as user-list entries in the list's order.
std::vector<TUserData> Neighbourhood(NetworkEnumerator& enumerator) {
    std::vector<TUserData> entries;
    for (const auto& group : RecordsOf(enumerator, nullptr)) {
        if (group.DisplayType != kResourceDisplayTypeDomain) {
            continue;
        }
        std::string group_name = WithoutLeadingBackslashes(group.RemoteName);
        entries.push_back({group_name, group_name, 0, TUserData::kGroup, false});
        for (const auto& computer : RecordsOf(enumerator, &group)) {
            if (computer.DisplayType == kResourceDisplayTypeServer) {
                entries.push_back({WithoutLeadingBackslashes(computer.RemoteName), group_name, 0,
                                   TUserData::kComputer, false});
            }
        }
    }
    SortBySortKey(entries);
    return entries;
}

void PrintEntry(const TUserData& entry, bool json) {
    const bool group = entry.Kind == TUserData::kGroup;
    if (json) {
        nlohmann::ordered_json object;
        object["kind"] = group ? "group" : "computer";
        object["name"] = AnsiToUtf8(entry.Name);
        object["group"] = AnsiToUtf8(entry.Group);
        PrintJsonLine(object);
    } else {
        std::printf("%s%s\n", group ? "" : "    ", ForTerminal(entry.Name).c_str());
    }
}

// Why this process hears no announcements, for people.
std::string NotOwnerProblem(const netbios::NetworkStatus& status) {
    if (status.error_number == EADDRINUSE) {
        return "UDP port " + std::to_string(status.failed_port) +
               " is in use by another program (perhaps the messenger, or Samba's nmbd). Only "
               "the program that holds the NetBIOS ports hears the announcements the network "
               "neighbourhood is made of, and asking it for its list is not possible yet. Scan "
               "while it is not running.";
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
    if (wait_seconds > kMaxWaitSeconds) {
        throw UsageError("option --wait takes at most " + std::to_string(kMaxWaitSeconds) +
                         " seconds");
    }
    auto config = MakeNetbiosServiceConfig(netbios::ServiceMode::Owner);
    // A scan lasts seconds: it neither announces this computer nor says goodbye for it.
    config.announce = false;
    netbios::NetbiosService service(std::move(config));
    // The browse list is kept by the process that owns the NetBIOS ports. When that is another
    // process of ours (the messenger), its list is to be asked for over its control socket;
    // until that socket exists, the scan says why it cannot and gives up.
    if (!service.Status().network_owner) {
        std::fprintf(stderr, "lyrnet scan: %s\n", NotOwnerProblem(service.Status()).c_str());
        return 1;
    }
    ServiceNeighbourhood neighbourhood(service, std::chrono::seconds(wait_seconds));
    BrowseListEnumerator enumerator(neighbourhood);
    for (const auto& entry : Neighbourhood(enumerator)) {
        PrintEntry(entry, arguments.Has("json"));
    }
    std::fflush(stdout);
    return 0;
}

}  // namespace lyr::cli
