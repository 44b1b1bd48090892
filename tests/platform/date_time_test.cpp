// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/date_time.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <ctime>
#include <limits>

namespace lyr {
namespace {

CivilDateTime Civil(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
    CivilDateTime civil;
    civil.year = year;
    civil.month = month;
    civil.day = day;
    civil.hour = hour;
    civil.minute = minute;
    civil.second = second;
    return civil;
}

void ExpectCivil(double value, const CivilDateTime& expected) {
    auto civil = DecodeDateTime(value);
    ASSERT_TRUE(civil.has_value()) << value;
    EXPECT_EQ(
        std::tie(civil->year, civil->month, civil->day, civil->hour, civil->minute, civil->second),
        std::tie(expected.year, expected.month, expected.day, expected.hour, expected.minute,
                 expected.second))
        << value;
}

TEST(DateTime, DayCountsMatchTheWindowsCalendar) {
    EXPECT_EQ(EncodeDateTime(Civil(1899, 12, 30)), 0.0);
    EXPECT_EQ(EncodeDateTime(Civil(1900, 1, 1, 12)), 2.5);
    EXPECT_EQ(EncodeDateTime(Civil(1899, 12, 29, 6)), -1.25);  // the fraction counts forward
    EXPECT_DOUBLE_EQ(EncodeDateTime(Civil(2026, 12, 8, 14, 3, 5)), 46364.58547453704);
    ExpectCivil(46364.58547453704, Civil(2026, 12, 8, 14, 3, 5));
    ExpectCivil(-1.25, Civil(1899, 12, 29, 6));
    ExpectCivil(60, Civil(1900, 2, 28));  // no 29 February 1900
    ExpectCivil(61, Civil(1900, 3, 1));
    ExpectCivil(1.9999999999, Civil(1900, 1, 1));  // rounds up to the next midnight
    ExpectCivil(-693593, Civil(1, 1, 1));
    ExpectCivil(2958465.5, Civil(9999, 12, 31, 12));
}

TEST(DateTime, ValuesThatNameNoDayAreNotShown) {
    for (double value :
         {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
          -std::numeric_limits<double>::infinity(), 1e300, -1e300, -693594.0, 2958466.0}) {
        EXPECT_FALSE(DecodeDateTime(value).has_value()) << value;
        EXPECT_FALSE(FormatIsoDateTime(value).has_value()) << value;
        EXPECT_FALSE(FormatLocalDateTime(value).has_value()) << value;
    }
}

TEST(DateTime, FormatsInIsoAndInTheLocalesOwnFormat) {
    const double value = EncodeDateTime(Civil(2026, 12, 8, 14, 3, 5));
    EXPECT_EQ(FormatIsoDateTime(value), "2026-12-08T14:03:05");
    EXPECT_EQ(FormatIsoDateTime(-1.25), "1899-12-29T06:00:00");
    std::setlocale(LC_ALL, "C");
    EXPECT_EQ(FormatLocalDateTime(value), "12/08/26 14:03:05");
    if (std::setlocale(LC_ALL, "ru_RU.UTF-8")) {
        EXPECT_EQ(FormatLocalDateTime(value), "08.12.2026 14:03:05");
        std::setlocale(LC_ALL, "C");
    } else {
        ADD_FAILURE() << "the ru_RU.UTF-8 locale is missing: run scripts/setup.sh";
    }
}

TEST(DateTime, NowIsLocalTime) {
    const std::time_t before = std::time(nullptr);
    const double now = CurrentDateTime();
    std::tm local{};
    localtime_r(&before, &local);
    auto civil = DecodeDateTime(now);
    ASSERT_TRUE(civil.has_value());
    const double expected =
        EncodeDateTime(Civil(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                             local.tm_min, local.tm_sec));
    EXPECT_NEAR(now, expected, 3.0 / 86400);
}

}  // namespace
}  // namespace lyr
