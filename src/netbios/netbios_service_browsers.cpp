// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>

#include "netbios/netbios_service.h"
#include "netbios/server_enumeration.h"

// The neighbourhood as the workgroup's browser servers keep it.
namespace lyr::netbios {
namespace {

using Clock = std::chrono::steady_clock;

constexpr uint8_t kServerSuffix = 0x20;
constexpr uint32_t kAllServerTypes = 0xFFFFFFFF;
// The name every SMB server answers to, for a server known by its address alone.
constexpr const char* kAnyServer = "*SMBSERVER";

}  // namespace

bool NetbiosService::ListFromBrowsers(std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    auto left = [&] {
        return std::max(
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()),
            std::chrono::milliseconds(1));
    };
    auto list_at = [&](uint32_t address, const std::string& server) {
        ServerEnumeration request;
        request.address = address;
        request.port = config_.session.port;
        request.called = NetbiosName::Make(server, kServerSuffix);
        request.calling = NetbiosName::Make(config_.computer_name, kWorkstationSuffix);
        request.scope = config_.scope;
        request.domain = config_.workgroup;
        request.server_type = kAllServerTypes;
        request.timeout = left();
        auto computers = EnumerateServers(request);
        if (!computers) {
            return false;
        }
        request.domain.clear();
        request.server_type = kServerTypeDomainEnum;
        request.timeout = left();
        auto workgroups = EnumerateServers(request);
        std::vector<BrowseComputer> listed;
        for (auto& computer : *computers) {
            listed.push_back({{},
                              std::move(computer.name),
                              computer.server_type,
                              std::move(computer.comment),
                              address});
        }
        std::vector<std::string> workgroup_names;
        for (auto& workgroup : workgroups.value_or(std::vector<EnumeratedServer>{})) {
            workgroup_names.push_back(std::move(workgroup.name));
        }
        TakeBrowserListing(config_.workgroup, listed, workgroup_names);
        return true;
    };
    if (!config_.name_servers.empty() && list_at(config_.name_servers.front(), kAnyServer)) {
        return true;
    }
    auto backup = AskForBackupList(left());
    if (!backup) {
        return false;
    }
    // The master usually names itself; another server is looked up by its name.
    std::string server = backup->servers.empty() ? backup->master_name : backup->servers.front();
    uint32_t address = backup->master_address;
    if (NetbiosUpper(server) != NetbiosUpper(backup->master_name)) {
        auto found = QueryName(NetbiosName::Make(server, kServerSuffix));
        if (found && !found->group) {
            address = found->address;
        } else {
            server = backup->master_name;
        }
    }
    return list_at(address, server.empty() ? kAnyServer : server);
}

}  // namespace lyr::netbios
