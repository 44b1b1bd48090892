// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdio>

#include "main/lyrnet/arguments.h"
#include "main/lyrnet/subcommands.h"

namespace lyr::cli {

int RunVersion(const std::vector<std::string>& words) {
    if (!words.empty()) {
        throw UsageError("takes no arguments");
    }
    std::printf("lyrnet %d.%d.%d.%d\n", LYR_VERSION_MAJOR, LYR_VERSION_MINOR, LYR_VERSION_RELEASE,
                LYR_VERSION_BUILD);
    return 0;
}

}  // namespace lyr::cli
