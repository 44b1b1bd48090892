// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "netbios/netbios_name.h"

namespace lyr::netbios {

// Asking a browser server for its list, as Windows' network enumeration does: over the NetBIOS
// session service an SMB1 session (NT LM 0.12, anonymous), the tree IPC$, and the RAP call
// NetServerEnum2 (opcode 104, level 1) in a transaction on \PIPE\LANMAN.
struct ServerEnumeration {
    uint32_t address = 0;  // host byte order
    uint16_t port = 139;
    NetbiosName called;   // the server's NAME<20>
    NetbiosName calling;  // our NAME<00>
    std::string scope;
    std::string domain;        // the workgroup asked about; empty: the server's own
    uint32_t server_type = 0;  // which servers: SV_TYPE_* bits, kServerTypeDomainEnum for groups
    // For each step; a browser that does not answer in time gives nothing.
    std::chrono::milliseconds timeout{2000};
};

struct EnumeratedServer {
    std::string name;  // OEM, as the browser has it
    uint32_t server_type = 0;
    std::string comment;
    bool operator==(const EnumeratedServer&) const = default;
};

// The servers the browser lists (the workgroups, for kServerTypeDomainEnum); nothing when it
// cannot be reached or refuses. Blocking, every step bounded by the timeout.
std::optional<std::vector<EnumeratedServer>> EnumerateServers(const ServerEnumeration& request);

// The parameters and data of a NetServerEnum2 request for `domain` (empty: none), level 1.
std::string NetServerEnum2Parameters(uint32_t server_type, std::string_view domain,
                                     uint16_t receive_buffer);
// The entries of a NetServerEnum2 answer: its parameters (status, converter, counts) and data
// (SERVER_INFO_1 records, comments reached through their offsets). Nothing when the status is
// an error other than "more data" or the parameters are cut short; records or comments that
// lie outside the data are passed over.
std::optional<std::vector<EnumeratedServer>> ParseNetServerEnum2Reply(std::string_view parameters,
                                                                      std::string_view data);

}  // namespace lyr::netbios
