// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <ctime>
#include <string>

#include "platform/date_time.h"

namespace lyr {

// The operating system's side of date_time.h.

// The wall-clock time of this computer's time zone now, to the millisecond; a leap second
// reads as second 59.
CivilDateTime LocalCivilNow();

// `tm` as the user's locale writes a short date, a space and a long time, in the locale's
// encoding.
std::string FormatInLocale(const std::tm& tm);

}  // namespace lyr
