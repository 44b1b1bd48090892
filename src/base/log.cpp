// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/log.h"

#include <cstdlib>
#include <exception>
#include <string>
#include <string_view>

namespace lyr {

bool TagListed(std::string_view list, std::string_view tag) noexcept {
    while (!list.empty()) {
        const size_t comma = list.find(',');
        const std::string_view name = list.substr(0, comma);
        if (name == "all" || name == tag) {
            return true;
        }
        list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
    }
    return false;
}

bool LogDebugEnabled(std::string_view tag) noexcept {
    static const char* const wanted = std::getenv("LYR_DEBUG");
    return wanted != nullptr && TagListed(wanted, tag);
}

void LogCaughtException(LogSeverity severity, std::string_view tag,
                        std::string_view context) noexcept {
    try {
        std::string text(context);
        try {
            throw;
        } catch (const std::exception& error) {
            text += ": ";
            text += error.what();
        } catch (...) {
            text += ": an error of unknown kind";
        }
        LogLine(severity, tag, text);
    } catch (...) {
        // Out of memory for the line itself: nothing is left to report with.
    }
}

}  // namespace lyr
