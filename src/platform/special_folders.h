// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>

namespace lyr {

// The per-user folders the program keeps its files in. A plain set of values, so tests point
// them at a temporary directory; an empty path means the folder is unknown.
struct SpecialFolders {
    std::filesystem::path data;                  // the user's application-data folder
    std::filesystem::path config;                // the user's settings folder
    std::filesystem::path autostart;             // programs started with the desktop session
    std::filesystem::path cache;                 // what may be lost, kept to save time
    std::filesystem::path executable_directory;  // where the running program lives
};

// The folders of the user this process runs as, from the environment.
SpecialFolders CurrentSpecialFolders();

}  // namespace lyr
