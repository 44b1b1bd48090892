// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <string>

#include "platform/special_folders.h"

namespace lyr {

// The data directory below the user's application-data folder:
// FOLDER/Zendry/Lyr Messenger/Data/. An unknown (empty) folder gives the same directory at the
// root of the file system.
std::string DataDirCandidate(const std::filesystem::path& data_folder);

// `DataDir`, the directory of every data file, always ending in '/': the candidate above,
// created level by level from the outermost down; when it is not a directory afterwards (it
// cannot be made, or a file stands in its place), the executable's directory. Nothing is
// reported either way: later file operations report their own failures.
std::string ComputeDataDir(const SpecialFolders& folders);

// ComputeDataDir for the user this process runs as.
std::string DefaultDataDir();

}  // namespace lyr
