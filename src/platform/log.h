// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>

namespace lyr {

enum class LogSeverity { Error, Warning };

// Leaves one line about a failure that nobody is shown, for whoever looks after the program:
// "PROGRAM: TAG: error: TEXT" on standard error when that is a terminal or a file, and
// "<3>TAG: TEXT" (the journal's priority in place of the word) when standard error is the
// journal, as it is for a program the desktop started. Line breaks in the text become spaces,
// so that one report stays one line. Safe from any thread; never throws.
void LogLine(LogSeverity severity, std::string_view tag, std::string_view text) noexcept;

// For a handler of catch (...): "CONTEXT: WHAT", with the what() of a std::exception, or a
// word that the error is unknown. Only to be called while an exception is being handled.
void LogCaughtException(LogSeverity severity, std::string_view tag,
                        std::string_view context) noexcept;

}  // namespace lyr
