// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/spare_descriptor.h"

#include <fcntl.h>

#include <mutex>

#include "base/unique_fd.h"

namespace lyr {
namespace {

struct Spare {
    std::mutex mutex;  // guards what follows
    bool wanted = false;
    UniqueFd fd;     // empty while in use, or while every descriptor is taken
    int in_use = 0;  // SpareDescriptorInUse alive, of all threads
};

Spare& TheSpare() {
    static Spare spare;
    return spare;
}

void TakeSpareLocked(Spare& spare) {
    if (spare.wanted && !spare.fd) {
        spare.fd.reset(::open("/dev/null", O_RDONLY | O_CLOEXEC));
    }
}

}  // namespace

void KeepSpareDescriptor() {
    Spare& spare = TheSpare();
    std::lock_guard lock(spare.mutex);
    spare.wanted = true;
    TakeSpareLocked(spare);
}

SpareDescriptorInUse::SpareDescriptorInUse() {
    Spare& spare = TheSpare();
    std::lock_guard lock(spare.mutex);
    ++spare.in_use;
    spare.fd.reset();
}

SpareDescriptorInUse::~SpareDescriptorInUse() {
    Spare& spare = TheSpare();
    std::lock_guard lock(spare.mutex);
    if (--spare.in_use == 0) {
        TakeSpareLocked(spare);
    }
}

}  // namespace lyr
