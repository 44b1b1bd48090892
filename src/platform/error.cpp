// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/error.h"

namespace lyr {

std::string FormatMessage1(const std::string& format, const std::string& argument) {
    std::string result = format;
    if (auto at = result.find("%s"); at != std::string::npos) {
        result.replace(at, 2, argument);
    }
    return result;
}

}  // namespace lyr
