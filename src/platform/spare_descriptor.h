// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace lyr {

// A descriptor held back for the program's own files (the message stores, the settings): when
// sockets, threads and clients took every other descriptor the process may have (ulimit -n), a
// message that arrived is still written, not only kept in memory until it is lost at exit.
// Without KeepSpareDescriptor (lyrnet, tests) a use only counts.
void KeepSpareDescriptor();

// Lets the spare go for as long as it lives, so that a file opened meanwhile can have it; it is
// taken back when no use is left (of any thread: one waiting for a hung disk keeps it). Files
// opened under it are to be closed before it ends.
class SpareDescriptorInUse {
public:
    SpareDescriptorInUse();
    ~SpareDescriptorInUse();
    SpareDescriptorInUse(const SpareDescriptorInUse&) = delete;
    SpareDescriptorInUse& operator=(const SpareDescriptorInUse&) = delete;
};

}  // namespace lyr
