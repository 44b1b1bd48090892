// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>

namespace lyr {

// What the about box tells of the computer it runs on.
struct SystemInformation {
    std::string kernel_name;            // uname's system name, "Linux"
    std::string kernel_release;         // uname's release, "6.1.0-18-amd64"
    std::string os_release;             // the text of the os-release file, empty when there is none
    std::uint64_t physical_memory = 0;  // bytes
};

// The facts of this computer: uname, /etc/os-release (else /usr/lib/os-release) and sysinfo.
// A fact that cannot be had stays empty or 0.
SystemInformation CurrentSystemInformation();

}  // namespace lyr
