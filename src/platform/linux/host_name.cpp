// SPDX-License-Identifier: GPL-3.0-or-later
#include <unistd.h>

#include <climits>

#include "platform/host_identity.h"

namespace lyr {

std::optional<std::string> HostName() {
    char buffer[HOST_NAME_MAX + 1] = {};
    if (::gethostname(buffer, sizeof buffer - 1) != 0) {
        return std::nullopt;
    }
    return std::string(buffer);
}

}  // namespace lyr
