// SPDX-License-Identifier: GPL-3.0-or-later
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/special_folders.h"

namespace lyr {
namespace {

std::filesystem::path HomeDirectory() {
    if (const char* home = std::getenv("HOME"); home && *home) {
        return home;
    }
    if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir && *entry->pw_dir) {
        return entry->pw_dir;
    }
    return {};
}

// An XDG base directory: the variable when it holds an absolute path (relative ones are to be
// ignored), else the fallback below the home directory.
std::filesystem::path BaseDirectory(const char* variable, const char* below_home) {
    if (const char* value = std::getenv(variable); value && value[0] == '/') {
        return value;
    }
    std::filesystem::path home = HomeDirectory();
    return home.empty() ? home : home / below_home;
}

std::filesystem::path ExecutableDirectory() {
    std::error_code error;
    std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error && executable.has_parent_path()) {
        return executable.parent_path();
    }
    std::filesystem::path current = std::filesystem::current_path(error);
    return error ? std::filesystem::path(".") : current;
}

}  // namespace

SpecialFolders CurrentSpecialFolders() {
    SpecialFolders folders;
    folders.data = BaseDirectory("XDG_DATA_HOME", ".local/share");
    folders.config = BaseDirectory("XDG_CONFIG_HOME", ".config");
    if (!folders.config.empty()) {
        folders.autostart = folders.config / "autostart";
    }
    folders.cache = BaseDirectory("XDG_CACHE_HOME", ".cache");
    folders.executable_directory = ExecutableDirectory();
    return folders;
}

}  // namespace lyr
