// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace lyr {

// The settings dialog edits the rescan period in whole minutes, 1 to 60.
inline constexpr int kMinimumRescanMinutes = 1;
inline constexpr int kMaximumRescanMinutes = 60;
inline constexpr std::int32_t kMillisecondsPerMinute = 60000;

// RescanTime (milliseconds) in whole minutes, cut down and clamped to 1..60.
int RescanMinutes(std::int32_t rescan_time);

// The minutes a spin-field text stands for, clamped to 1..60; a text that is not a number
// (an empty one included) counts as 1.
int RescanMinutesFromText(std::string_view text);

// The skin setting's name for "the built-in skin".
inline constexpr char kDefaultSkin[] = "<default>";

// The directory part of a skin path: everything before its last '/', without that '/' unless
// it is the root (or follows another '/'). Empty for a bare name.
std::string SkinDirectoryPart(const std::string& skin_dir);

}  // namespace lyr
