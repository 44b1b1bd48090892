// SPDX-License-Identifier: GPL-3.0-or-later
// Encoded NetBIOS names, with and without compression pointers.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "netbios/netbios_name.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    for (bool pointers : {false, true}) {
        for (size_t start = 0; start < bytes.size() && start < 64; start += 7) {
            size_t offset = start;
            auto name = lyr::netbios::DecodeName(bytes, offset, pointers);
            if (!name) {
                continue;
            }
            if (offset > bytes.size()) {
                std::abort();
            }
            // What was read must encode and read back the same.
            auto encoded = lyr::netbios::EncodeName(name->name, name->scope);
            size_t again = 0;
            if (encoded) {
                auto back = lyr::netbios::DecodeName(*encoded, again, false);
                if (!back || !(*back == *name) || again != encoded->size()) {
                    std::abort();
                }
            }
        }
    }
    return 0;
}
