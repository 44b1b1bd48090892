// SPDX-License-Identifier: GPL-3.0-or-later
// SMB_COM_TRANSACTION mailslot writes.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "netbios/mailslot_write.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    auto write = lyr::netbios::ParseMailslotWrite(bytes);
    if (!write) {
        return 0;
    }
    if (write->data.size() > bytes.size() || write->mailslot_name.size() > bytes.size()) {
        std::abort();
    }
    lyr::netbios::SlotOfMailslotName(write->mailslot_name);
    for (auto style :
         {lyr::netbios::MailslotWriteStyle::Messenger, lyr::netbios::MailslotWriteStyle::Browser}) {
        auto rebuilt = lyr::netbios::BuildMailslotWrite(write->mailslot_name, write->data, style);
        if (!rebuilt) {
            continue;
        }
        auto back = lyr::netbios::ParseMailslotWrite(*rebuilt);
        if (!back || back->mailslot_name != write->mailslot_name || back->data != write->data) {
            std::abort();
        }
    }
    return 0;
}
