// SPDX-License-Identifier: GPL-3.0-or-later
#include "messaging/pane_text.h"

#include "base/text.h"

namespace lyr {

std::string TrimTrailingLineBreaks(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
        text.pop_back();
    }
    return text;
}

std::string AddLine(std::string_view text, std::string_view line) {
    std::string result(text);
    if (!result.empty() && result.back() != '\n') {
        result += "\r\n";
    }
    result += line;
    return result;
}

std::string QuoteLines(std::string_view text) {
    std::string quoted;
    for (std::string_view line : SplitLines(text)) {
        quoted = AddLine(quoted, ">" + std::string(line));
    }
    return quoted;
}

}  // namespace lyr
