// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <fcntl.h>

#include <vector>

#include "base/unique_fd.h"

namespace lyr {

// Descriptors held back while the program starts. A process allowed only a few (ulimit -n)
// then fails to open some of its sockets at the start, where that is reported and the program
// goes on without them, and not later, when a thread's wake-up, a client of its socket or a
// file it writes finds none left and the program aborts or loses a message.
class DescriptorReserve {
public:
    explicit DescriptorReserve(int count) {
        for (int i = 0; i < count; ++i) {
            UniqueFd fd(::open("/dev/null", O_RDONLY | O_CLOEXEC));
            if (!fd)
                break;
            held_.push_back(std::move(fd));
        }
    }
    // Once the start is done.
    void Release() { held_.clear(); }

private:
    std::vector<UniqueFd> held_;
};

}  // namespace lyr
