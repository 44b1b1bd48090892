// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace lyr {

// Names of mailslots, computers, sections and keys change case for the ASCII letters only, so
// the result does not depend on the locale a process runs in (under a Turkish one the C
// library's toupper makes "i" a dotted capital, and "mailslot" would no longer match
// "MAILSLOT").
inline char ToLowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

inline char ToUpperAscii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

inline std::string ToLowerAscii(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        c = ToLowerAscii(c);
    }
    return result;
}

inline std::string ToUpperAscii(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        c = ToUpperAscii(c);
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
