// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/user_directories.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <vector>

namespace lyr {

std::string CurrentUserId() {
    return std::to_string(::getuid());
}

bool MakeUserDirectory(const std::string& path) {
    return ::mkdir(path.c_str(), 0700) == 0 || errno == EEXIST;
}

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

}  // namespace

void MakeUserDirectories(std::string path) {
    std::vector<std::string> missing;
    while (true) {
        if (!path.empty() && path.back() == '/') {
            path.pop_back();
        }
        if (path.empty() || IsDirectory(path)) {
            break;
        }
        missing.push_back(path);
        path = ParentPart(path);
    }
    for (auto level = missing.rbegin(); level != missing.rend(); ++level) {
        // Private to the user, as the base directories of user data are.
        MakeUserDirectory(*level);
    }
}

bool IsPrivateDirectory(const std::string& path) {
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode) &&
           status.st_uid == ::geteuid() && (status.st_mode & 077) == 0;
}

}  // namespace lyr
