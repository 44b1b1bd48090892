// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/system_info.h"

#include <sys/sysinfo.h>
#include <sys/utsname.h>

#include "platform/atomic_file.h"

namespace lyr {
namespace {

std::string OsReleaseFile() {
    for (const char* path : {"/etc/os-release", "/usr/lib/os-release"}) {
        try {
            if (std::optional<std::string> contents = ReadWholeFile(path)) {
                return *contents;
            }
        } catch (const std::exception&) {
            // An unreadable file tells nothing; the next one may.
        }
    }
    return {};
}

}  // namespace

SystemInformation CurrentSystemInformation() {
    SystemInformation information;
    if (utsname names{}; ::uname(&names) == 0) {
        information.kernel_name = names.sysname;
        information.kernel_release = names.release;
    }
    information.os_release = OsReleaseFile();
    if (struct sysinfo memory{}; ::sysinfo(&memory) == 0) {
        information.physical_memory =
            static_cast<std::uint64_t>(memory.totalram) * (memory.mem_unit ? memory.mem_unit : 1);
    }
    return information;
}

}  // namespace lyr
