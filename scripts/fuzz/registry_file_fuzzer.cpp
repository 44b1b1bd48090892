// SPDX-License-Identifier: GPL-3.0-or-later
// The settings file parser on arbitrary bytes: it either reads values or throws lyr::Exception,
// and whatever it reads is written back so that it reads the same again.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/error.h"
#include "platform/linux/registry_file.h"

namespace {
constexpr char kKey[] = "HKEY_CURRENT_USER\\Software\\Zendry\\Messenger\\1.0";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<lyr::RegistryValue> values;
    try {
        values = lyr::ParseRegistryFile(text, kKey, "fuzz.reg");
    } catch (const lyr::Exception&) {
        return 0;
    }
    std::string written = lyr::FormatRegistryFile(values, kKey);
    if (lyr::ParseRegistryFile(written, kKey, "written.reg") != values) {
        std::abort();
    }
    return 0;
}
