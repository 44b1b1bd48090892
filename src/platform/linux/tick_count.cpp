// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/tick_count.h"

#include <time.h>

namespace lyr {

uint32_t GetTickCount() {
    // Boot time rather than the monotonic clock: like the Windows tick it runs on while the
    // machine sleeps.
    timespec now{};
    ::clock_gettime(CLOCK_BOOTTIME, &now);
    uint64_t milliseconds =
        static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<uint32_t>(milliseconds);
}

}  // namespace lyr
