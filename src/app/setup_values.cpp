// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/setup_values.h"

#include <algorithm>
#include <charconv>

namespace lyr {

int RescanMinutes(std::int32_t rescan_time) {
    return std::clamp<std::int32_t>(rescan_time / kMillisecondsPerMinute, kMinimumRescanMinutes,
                                    kMaximumRescanMinutes);
}

int RescanMinutesFromText(std::string_view text) {
    int minutes = 0;
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, minutes);
    if (text.empty() || error != std::errc() || stop != end) {
        return kMinimumRescanMinutes;
    }
    return std::clamp(minutes, kMinimumRescanMinutes, kMaximumRescanMinutes);
}

std::string SkinDirectoryPart(const std::string& skin_dir) {
    const size_t separator = skin_dir.rfind('/');
    if (separator == std::string::npos) {
        return {};
    }
    const bool keep_separator = separator == 0 || skin_dir[separator - 1] == '/';
    return skin_dir.substr(0, keep_separator ? separator + 1 : separator);
}

}  // namespace lyr
