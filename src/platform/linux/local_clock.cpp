// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/local_clock.h"

#include <langinfo.h>

namespace lyr {

CivilDateTime LocalCivilNow() {
    std::timespec now{};
    std::timespec_get(&now, TIME_UTC);
    std::tm local{};
    localtime_r(&now.tv_sec, &local);
    CivilDateTime civil;
    civil.year = local.tm_year + 1900;
    civil.month = local.tm_mon + 1;
    civil.day = local.tm_mday;
    civil.hour = local.tm_hour;
    civil.minute = local.tm_min;
    civil.second = local.tm_sec > 59 ? 59 : local.tm_sec;  // a leap second
    civil.millisecond = static_cast<int>(now.tv_nsec / 1'000'000);
    return civil;
}

std::string FormatInLocale(const std::tm& tm) {
    // D_FMT and T_FMT follow LC_TIME, so setlocale must have run.
    const std::string format = std::string(nl_langinfo(D_FMT)) + " " + nl_langinfo(T_FMT);
    char text[256];
    const size_t length = std::strftime(text, sizeof text, format.c_str(), &tm);
    return std::string(text, length);
}

}  // namespace lyr
