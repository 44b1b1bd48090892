// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/text.h"

#include <algorithm>

namespace lyr {

std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        lines.push_back(line);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
    return lines;
}

std::string_view Trim(std::string_view text, std::string_view blanks) {
    const size_t begin = text.find_first_not_of(blanks);
    if (begin == std::string_view::npos) {
        return {};
    }
    return text.substr(begin, text.find_last_not_of(blanks) - begin + 1);
}

std::string_view WithoutLeadingBackslashes(std::string_view name) {
    name.remove_prefix(std::min(name.find_first_not_of('\\'), name.size()));
    return name;
}

}  // namespace lyr
