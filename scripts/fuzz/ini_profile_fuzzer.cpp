// SPDX-License-Identifier: GPL-3.0-or-later
// The profile functions on arbitrary file text: reads stay within the value limit, and a write
// changes the one key and keeps what the other keys read.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/linux/ini_profile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    std::string before = lyr::ReadProfileText(text, "User", "UserName", "missing");
    if (lyr::ReadProfileText(text, "User", "Nik", "").size() > lyr::Profile::kMaximumValueLength) {
        std::abort();
    }
    std::string written = lyr::WriteProfileText(text, "User", "Nik", "anna \xE0\xFF");
    if (lyr::ReadProfileText(written, "user", "NIK", "") != "anna \xE0\xFF") {
        std::abort();
    }
    // A NUL byte ends the text the library sees, so what follows it is not compared.
    if (text.find('\0') == std::string::npos &&
        lyr::ReadProfileText(written, "User", "UserName", "missing") != before) {
        std::abort();
    }
    return 0;
}
