// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/date_time.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <ctime>

#include "platform/local_clock.h"

namespace lyr {
namespace {

constexpr int64_t kMillisecondsPerDay = 86'400'000;
// 30 December 1899 counted from 1 January 1970.
constexpr int64_t kEpochOffsetDays = -25'569;
// 1 January 0001 and 1 January 10000 as date-time values.
constexpr double kFirstDay = -693'593;
constexpr double kDayAfterLast = 2'958'466;

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
int64_t DaysFromCivil(int64_t year, unsigned month, unsigned day) {
    year -= month <= 2;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const auto year_of_era = static_cast<unsigned>(year - era * 400);
    const unsigned day_of_year = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const unsigned day_of_era =
        year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
    return era * 146'097 + static_cast<int64_t>(day_of_era) - 719'468;
}

void CivilFromDays(int64_t days, CivilDateTime& civil) {
    days += 719'468;
    const int64_t era = (days >= 0 ? days : days - 146'096) / 146'097;
    const auto day_of_era = static_cast<unsigned>(days - era * 146'097);
    const unsigned year_of_era =
        (day_of_era - day_of_era / 1460 + day_of_era / 36'524 - day_of_era / 146'096) / 365;
    const unsigned day_of_year =
        day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
    const unsigned shifted_month = (5 * day_of_year + 2) / 153;
    civil.day = static_cast<int>(day_of_year - (153 * shifted_month + 2) / 5 + 1);
    civil.month = static_cast<int>(shifted_month < 10 ? shifted_month + 3 : shifted_month - 9);
    civil.year =
        static_cast<int>(static_cast<int64_t>(year_of_era) + era * 400 + (civil.month <= 2));
}

std::tm ToTm(const CivilDateTime& civil) {
    std::tm tm{};
    tm.tm_year = civil.year - 1900;
    tm.tm_mon = civil.month - 1;
    tm.tm_mday = civil.day;
    tm.tm_hour = civil.hour;
    tm.tm_min = civil.minute;
    tm.tm_sec = civil.second;
    const int64_t days = DaysFromCivil(civil.year, civil.month, civil.day);
    tm.tm_wday = static_cast<int>(((days + 4) % 7 + 7) % 7);  // 1970-01-01 was a Thursday
    tm.tm_yday = static_cast<int>(days - DaysFromCivil(civil.year, 1, 1));
    tm.tm_isdst = -1;
    return tm;
}

}  // namespace

double EncodeDateTime(const CivilDateTime& civil) {
    const double days =
        static_cast<double>(DaysFromCivil(civil.year, civil.month, civil.day) - kEpochOffsetDays);
    const double fraction =
        ((civil.hour * 60.0 + civil.minute) * 60.0 + civil.second + civil.millisecond / 1000.0) /
        86'400.0;
    return days >= 0 ? days + fraction : days - fraction;
}

double CurrentDateTime() {
    return EncodeDateTime(LocalCivilNow());
}

std::optional<CivilDateTime> DecodeDateTime(double value) {
    if (!std::isfinite(value) || value < kFirstDay || value >= kDayAfterLast) {
        return std::nullopt;
    }
    int64_t days = static_cast<int64_t>(std::trunc(value));
    int64_t milliseconds = std::llround(std::fabs(value - std::trunc(value)) * kMillisecondsPerDay);
    if (milliseconds >= kMillisecondsPerDay) {
        milliseconds -= kMillisecondsPerDay;
        ++days;
        if (static_cast<double>(days) >= kDayAfterLast) {
            return std::nullopt;
        }
    }
    CivilDateTime civil;
    CivilFromDays(days + kEpochOffsetDays, civil);
    civil.millisecond = static_cast<int>(milliseconds % 1000);
    civil.second = static_cast<int>(milliseconds / 1000 % 60);
    civil.minute = static_cast<int>(milliseconds / 60'000 % 60);
    civil.hour = static_cast<int>(milliseconds / 3'600'000);
    return civil;
}

std::optional<std::string> FormatLocalDateTime(double value) {
    auto civil = DecodeDateTime(value);
    if (!civil) {
        return std::nullopt;
    }
    return FormatInLocale(ToTm(*civil));
}

std::optional<std::string> FormatIsoDateTime(double value) {
    auto civil = DecodeDateTime(value);
    if (!civil) {
        return std::nullopt;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", civil->year, civil->month,
                  civil->day, civil->hour, civil->minute, civil->second);
    return std::string(text);
}

}  // namespace lyr
