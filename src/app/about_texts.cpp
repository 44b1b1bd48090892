// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/about_texts.h"

#include <string>

namespace lyr {

FileVersion BuiltVersion() {
    return {LYR_VERSION_MAJOR, LYR_VERSION_MINOR, LYR_VERSION_RELEASE, LYR_VERSION_BUILD};
}

std::string VersionText(const std::optional<FileVersion>& version) {
    const FileVersion shown = version.value_or(FileVersion{-1, 0, 0, 0});
    return std::to_string(shown.major) + "." + std::to_string(shown.minor) + "." +
           std::to_string(shown.release) + " (Сборка " + std::to_string(shown.build) + ")";
}

std::string WindowsVersionText(const WindowsVersion& version) {
    if (version.platform_id == 1) {
        return std::string("Windows ") + (version.minor != 0 ? "98" : "95");
    }
    const char* family = version.platform_id == 2 ? "NT" : "";
    if (version.major < 5) {
        return std::string("Windows ") + family + " " + std::to_string(version.major) + "." +
               std::to_string(version.minor) + " (Build " + std::to_string(version.build) + ") " +
               version.service_pack;
    }
    return "Windows 2000 (Build " + std::to_string(version.build) + ") " + version.service_pack;
}

std::optional<std::string> OsReleaseValue(std::string_view os_release, std::string_view key) {
    while (!os_release.empty()) {
        const size_t end = os_release.find('\n');
        std::string_view line = os_release.substr(0, end);
        os_release =
            end == std::string_view::npos ? std::string_view() : os_release.substr(end + 1);
        if (line.size() <= key.size() || !line.starts_with(key) || line[key.size()] != '=') {
            continue;
        }
        std::string_view raw = line.substr(key.size() + 1);
        const char quote = raw.empty() ? '\0' : raw.front();
        if (quote != '"' && quote != '\'') {
            return std::string(raw);
        }
        std::string value;
        for (size_t i = 1; i < raw.size() && raw[i] != quote; ++i) {
            if (quote == '"' && raw[i] == '\\' && i + 1 < raw.size()) {
                ++i;
            }
            value += raw[i];
        }
        return value;
    }
    return std::nullopt;
}

std::string LinuxSystemText(const SystemInformation& system) {
    std::string distribution = OsReleaseValue(system.os_release, "PRETTY_NAME").value_or("");
    if (distribution.empty()) {
        distribution = OsReleaseValue(system.os_release, "NAME").value_or("");
        const std::string release = OsReleaseValue(system.os_release, "VERSION").value_or("");
        if (!distribution.empty() && !release.empty()) {
            distribution += " " + release;
        }
    }
    std::string kernel = system.kernel_name;
    if (!system.kernel_release.empty()) {
        kernel += (kernel.empty() ? "" : " ") + system.kernel_release;
    }
    if (distribution.empty() || kernel.empty()) {
        return distribution + kernel;
    }
    return distribution + ", " + kernel;
}

std::uint64_t PhysicalMemoryMegabytes(std::uint64_t bytes) {
    constexpr std::uint64_t kMegabyte = 1048576;
    std::uint64_t megabytes = bytes / kMegabyte + (bytes % kMegabyte != 0 ? 1 : 0);
    return megabytes % 2 != 0 ? megabytes + 1 : megabytes;
}

std::string PhysicalMemoryText(std::uint64_t bytes) {
    return "Физической памяти: " + std::to_string(PhysicalMemoryMegabytes(bytes)) + " Mb";
}

}  // namespace lyr
