// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "netbios/netbios_service.h"

namespace lyr {

// The NetBIOS service settings of this computer: our computer name and workgroup
// (host_identity.h), the standard ports. The environment may change them, for test hosts and
// for running beside another NetBIOS stack:
//   LYR_NETBIOS_NS_PORT, LYR_NETBIOS_DGM_PORT   name service and datagram ports (137, 138)
//   LYR_NETBIOS_SSN_PORT                        session service port (TCP 139)
//   LYR_NETBIOS_COMPUTER_NAME, LYR_NETBIOS_WORKGROUP
//   LYR_NETBIOS_WINS_SERVER                     name servers, in place of smb.conf's
//   LYR_NETBIOS_RETRY_SECONDS                   how often ports held by another program and
//                                               refused names are tried again (30)
// The owner of the ports keeps its browse list between runs in KeptBrowseListPath().
netbios::ServiceConfig MakeNetbiosServiceConfig(netbios::ServiceMode mode);
// $XDG_CACHE_HOME/Zendry/Messenger/browse-list (empty when no home is known).
std::filesystem::path KeptBrowseListPath();
// Our workgroup as the service registers it (LYR_NETBIOS_WORKGROUP, else smb.conf's).
std::string OurWorkgroup();

// The WINS servers: LYR_NETBIOS_WINS_SERVER when set, else "wins server =" of smb.conf; a list
// of IPv4 addresses (blanks or commas between them, Samba's "TAG:" before one is dropped).
// Entries that are no address are left out and logged.
std::vector<uint32_t> NameServers(const std::filesystem::path& smb_conf = "/etc/samba/smb.conf");
std::vector<uint32_t> ParseNameServers(const std::string& text);

}  // namespace lyr
