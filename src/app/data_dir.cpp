#include "app/data_dir.h"

#include <vector>

#include "platform/user_directories.h"

namespace lyr {
namespace {

bool IsDirectory(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_directory(path, error);
}

// Everything up to and including the last separator.
std::string ParentPart(const std::string& path) {
    size_t separator = path.rfind('/');
    return separator == std::string::npos ? std::string() : path.substr(0, separator + 1);
}

// Creates `directory` and every missing parent, outermost first. A level that cannot be made
// is passed over: whether the whole path exists is checked afterwards.
void CreateLevels(std::string directory) {
    std::vector<std::string> missing;
    while (true) {
        if (!directory.empty() && directory.back() == '/') {
            directory.pop_back();
        }
        if (directory.empty() || IsDirectory(directory)) {
            break;
        }
        missing.push_back(directory);
        directory = ParentPart(directory);
    }
    for (auto level = missing.rbegin(); level != missing.rend(); ++level) {
        // Private to the user, as the base directories of user data are.
        MakeUserDirectory(*level);
    }
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
    CreateLevels(data_dir);
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
