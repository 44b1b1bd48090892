// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace lyr {

// Names of mailslots and computers compare without case, for the ASCII letters only, so the
// result does not depend on the locale a process runs in.
inline char ToLowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

inline std::string ToLowerAscii(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        c = ToLowerAscii(c);
    }
    return result;
}

inline bool EqualsIgnoringCase(std::string_view left, std::string_view right) {
    if (left.size() != right.size()) {
        return false;
    }
    for (size_t i = 0; i < left.size(); ++i) {
        if (ToLowerAscii(left[i]) != ToLowerAscii(right[i])) {
            return false;
        }
    }
    return true;
}

}  // namespace lyr
