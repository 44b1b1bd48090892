// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>

namespace lyr {

enum class LogSeverity { Error, Warning, Debug };

// Leaves one line about a failure that nobody is shown, for whoever looks after the program:
// "PROGRAM: TAG: error: TEXT" on standard error when that is a terminal or a file, and
// "<3>TAG: TEXT" (the journal's priority in place of the word) when standard error is the
// journal, as it is for a program the desktop started. Line breaks in the text become spaces,
// so that one report stays one line. Safe from any thread; never throws.
void LogLine(LogSeverity severity, std::string_view tag, std::string_view text) noexcept;

// Whether debug lines of `tag` ("netbios", "transport", "messaging", ...) are wanted: the
// environment variable LYR_DEBUG names the tags, separated by commas, or says "all". Read once.
// Debug lines trace what the program does with each message, for whoever looks for where one
// was lost; a caller builds its line only when this says yes.
bool LogDebugEnabled(std::string_view tag) noexcept;
// Whether the comma-separated `list` names `tag` or says "all".
bool TagListed(std::string_view list, std::string_view tag) noexcept;

// For a handler of catch (...): "CONTEXT: WHAT", with the what() of a std::exception, or a
// word that the error is unknown. Only to be called while an exception is being handled.
void LogCaughtException(LogSeverity severity, std::string_view tag,
                        std::string_view context) noexcept;

}  // namespace lyr
