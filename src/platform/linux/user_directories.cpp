#include "platform/user_directories.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace lyr {

std::string CurrentUserId() {
    return std::to_string(::getuid());
}

bool MakeUserDirectory(const std::string& path) {
    return ::mkdir(path.c_str(), 0700) == 0 || errno == EEXIST;
}

bool IsPrivateDirectory(const std::string& path) {
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode) &&
           status.st_uid == ::geteuid() && (status.st_mode & 077) == 0;
}

}  // namespace lyr
