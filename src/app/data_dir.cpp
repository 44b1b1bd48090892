// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/data_dir.h"

#include "platform/user_directories.h"

namespace lyr {
namespace {

bool IsDirectory(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_directory(path, error);
}

}  // namespace

std::string DataDirCandidate(const std::filesystem::path& data_folder) {
    std::string folder = data_folder.string();
    while (!folder.empty() && folder.back() == '/') {
        folder.pop_back();
    }
    return folder + "/Zendry/Lyr Messenger/Data/";
}

std::string ComputeDataDir(const SpecialFolders& folders) {
    std::string data_dir = DataDirCandidate(folders.data);
    MakeUserDirectories(data_dir);
    if (IsDirectory(data_dir)) {
        return data_dir;
    }
    const std::filesystem::path executable_directory = folders.executable_directory.empty()
                                                           ? std::filesystem::path(".")
                                                           : folders.executable_directory;
    return (executable_directory / "").string();
}

std::string DefaultDataDir() {
    return ComputeDataDir(CurrentSpecialFolders());
}

}  // namespace lyr
