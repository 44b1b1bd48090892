// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/log.h"

#include <exception>
#include <string>

namespace lyr {

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
