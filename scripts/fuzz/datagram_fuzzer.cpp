// SPDX-License-Identifier: GPL-3.0-or-later
// NetBIOS datagrams (UDP 138) and the mailslot writes they carry.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "netbios/datagram.h"
#include "netbios/mailslot_write.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    lyr::netbios::ParseDatagramError(bytes);
    auto datagram = lyr::netbios::ParseDatagram(bytes);
    if (!datagram) {
        return 0;
    }
    auto rebuilt = lyr::netbios::BuildDatagram(*datagram);
    if (rebuilt && lyr::netbios::ParseDatagram(*rebuilt) != datagram) {
        std::abort();
    }
    if (auto write = lyr::netbios::ParseMailslotWrite(datagram->user_data)) {
        lyr::netbios::SlotOfMailslotName(write->mailslot_name);
    }
    return 0;
}
