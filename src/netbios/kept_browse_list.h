// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#include "netbios/browse_list.h"

namespace lyr::netbios {

// The browse list as it is kept on disk between runs: the wall-clock time it was written, then
// a line per entry with its announcement period and its age at that time, so that the next run
// ages each entry by the time in between. Text, one entry a line, fields apart by tabs:
//   written <seconds since 1970>
//   computer <workgroup> <name> <server type, hex> <address> <period ms> <age ms> <comment>
//   workgroup <name> <period ms> <age ms>
// Control characters and "%" in a comment are written as "%XX".
std::string KeptBrowseListText(const std::vector<HeardEntry>& entries,
                               std::chrono::system_clock::time_point written);

// The entries of such a text, each aged by the time from its writing to `now` (not by a negative
// time, when the clock was set back). Lines that cannot be read are passed over.
std::vector<HeardEntry> ParseKeptBrowseList(std::string_view text,
                                            std::chrono::system_clock::time_point now);

}  // namespace lyr::netbios
