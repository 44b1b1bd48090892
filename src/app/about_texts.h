// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/system_info.h"

namespace lyr {

// The texts of the about box, in UTF-8.

// The four numbers of the program's file version.
struct FileVersion {
    int major = 0;
    int minor = 0;
    int release = 0;
    int build = 0;
};

// The version this program was built as.
FileVersion BuiltVersion();

// "1.0.1 (Сборка 19)"; a program without version information reads "-1.0.0 (Сборка 0)".
std::string VersionText(const std::optional<FileVersion>& version);

// What the Windows version query gives.
struct WindowsVersion {
    std::uint32_t platform_id = 0;  // 1 the Windows 95 family, 2 the NT family
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    std::uint32_t build = 0;
    std::string service_pack;  // "Service Pack 6", or empty
};

// "Windows 98", "Windows NT 4.0 (Build 1381) Service Pack 6", "Windows 2000 (Build 2195) ...".
std::string WindowsVersionText(const WindowsVersion& version);

// The value of `key` in an os-release text (quotes and their backslash escapes removed), or
// nothing when the key is not there.
std::optional<std::string> OsReleaseValue(std::string_view os_release, std::string_view key);

// The distribution and the kernel: "Debian GNU/Linux 12 (bookworm), Linux 6.1.0-18-amd64".
// The distribution is PRETTY_NAME, else NAME and VERSION; it is left out when unknown.
std::string LinuxSystemText(const SystemInformation& system);

// Physical memory in whole megabytes as the about box counts it: rounded up, then raised to
// the next even number.
std::uint64_t PhysicalMemoryMegabytes(std::uint64_t bytes);

// "Физической памяти: 256 Mb".
std::string PhysicalMemoryText(std::uint64_t bytes);

// Where the about box's links lead.
inline constexpr char kProductWebAddress[] = "http://www.zendry.example/";
inline constexpr char kSupportMailAddress[] = "support@zendry.example";

}  // namespace lyr
