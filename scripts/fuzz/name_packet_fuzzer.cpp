// SPDX-License-Identifier: GPL-3.0-or-later
// Name service packets (UDP 137) and their NB and NBSTAT record data.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "netbios/name_packet.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    lyr::netbios::ParseNameOwners(bytes);
    lyr::netbios::ParseNodeStatus(bytes);
    auto packet = lyr::netbios::ParseNamePacket(bytes);
    if (!packet) {
        return 0;
    }
    for (const auto& record : packet->answers) {
        lyr::netbios::ParseNameOwners(record.data);
        lyr::netbios::ParseNodeStatus(record.data);
    }
    // Whatever was read writes back into a packet that reads the same.
    auto rebuilt = lyr::netbios::BuildNamePacket(*packet);
    if (rebuilt && lyr::netbios::ParseNamePacket(*rebuilt) != packet) {
        std::abort();
    }
    return 0;
}
