// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

namespace lyr {

// The date-time value of the stored messages: whole days since 30 December 1899 plus the time
// of day as a fraction of a day, in local time. Before that day the whole part counts back and
// the fraction still counts forward from midnight (-1.25 is 29 December 1899, 06:00).
struct CivilDateTime {
    int year = 1899;
    int month = 12;
    int day = 30;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

// The current local date and time, to the millisecond.
double CurrentDateTime();

double EncodeDateTime(const CivilDateTime& civil);

// Nothing for a value that names no day of the years 1 to 9999 (NaN, infinities, garbage from a
// damaged file): such a value is shown, never trusted.
std::optional<CivilDateTime> DecodeDateTime(double value);

// The locale's short date and long time (nl_langinfo D_FMT and T_FMT, so setlocale must have run),
// in the locale's encoding: "08.12.2026 14:03:05" in ru_RU, "12/08/26 14:03:05" in C.
std::optional<std::string> FormatLocalDateTime(double value);

// ISO 8601 local time without a zone, to the second: "2026-12-08T14:03:05".
std::optional<std::string> FormatIsoDateTime(double value);

}  // namespace lyr
