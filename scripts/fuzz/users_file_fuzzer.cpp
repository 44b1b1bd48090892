// SPDX-License-Identifier: GPL-3.0-or-later
// The users.dat reader over arbitrary bytes, then writing and sorting what it read.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "contacts/users_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view contents(reinterpret_cast<const char*>(data), size);
    auto entries = lyr::ParseUsersFile(contents);
    if (!entries) {
        return 0;
    }
    for (const auto& entry : *entries) {
        if (entry.Name.size() > lyr::kMaxUsersFileLine ||
            entry.Group.size() > lyr::kMaxUsersFileLine || entry.Checked) {
            std::abort();
        }
    }
    // What was written reads back as as many entries, the header included.
    const auto again = lyr::ParseUsersFile(lyr::FormatUsersFile(*entries));
    if (!again || again->size() != entries->size()) {
        std::abort();
    }
    lyr::SortBySortKey(*entries);
    return 0;
}
