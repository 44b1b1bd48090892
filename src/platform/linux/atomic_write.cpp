// SPDX-License-Identifier: GPL-3.0-or-later
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include "base/unique_fd.h"
#include "platform/atomic_file.h"
#include "platform/error.h"
#include "platform/spare_descriptor.h"

namespace lyr {
namespace {

void SyncDirectory(const std::filesystem::path& directory) {
    UniqueFd fd(
        ::open(directory.empty() ? "." : directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd) {
        ::fsync(fd.get());
    }
}

// The file a symbolic link leads to, through a chain of links; the path itself when it is no
// link. Replacing the link with a plain file would cut the user's link to a file kept elsewhere.
std::filesystem::path FollowLinks(std::filesystem::path path) {
    constexpr int kMaxLinks = 40;  // as the kernel's own limit, so a loop ends
    for (int i = 0; i < kMaxLinks; ++i) {
        std::error_code error;
        if (!std::filesystem::is_symlink(std::filesystem::symlink_status(path, error))) {
            return path;
        }
        const std::filesystem::path target = std::filesystem::read_symlink(path, error);
        if (error) {
            return path;
        }
        path = target.is_absolute() ? target : path.parent_path() / target;
    }
    return path;
}

}  // namespace

void WriteFileAtomically(const std::filesystem::path& link, std::string_view contents,
                         FileAccess access) {
    const SpareDescriptorInUse spare;
    const std::filesystem::path path = FollowLinks(link);
    const std::filesystem::path directory = path.parent_path();
    // The temporary name is unique per process and call; O_EXCL refuses a stale leftover, and
    // the mode 0666 lets the user's umask give the file the usual rights (0600: the user's alone).
    const mode_t new_mode = access == FileAccess::Private ? 0600 : 0666;
    static std::atomic<unsigned> counter{0};
    std::string pattern =
        (directory / ("." + path.filename().string() + ".tmp." + std::to_string(::getpid()) + "." +
                      std::to_string(counter.fetch_add(1))))
            .string();
    UniqueFd fd(::open(pattern.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, new_mode));
    if (!fd) {
        ThrowFileError("Cannot create", path, errno);
    }
    auto abandon = [&](const char* what) {
        int error = errno;
        fd.reset();
        ::unlink(pattern.c_str());
        ThrowFileError(what, path, error);
    };
    // A file being replaced keeps its permission bits (a private file stays private); a file
    // meant to be private loses whatever others were allowed.
    struct stat old {};
    const mode_t kept_bits = access == FileAccess::Private ? 07700 : 07777;
    if (::stat(path.c_str(), &old) == 0 && ::fchmod(fd.get(), old.st_mode & kept_bits) != 0) {
        abandon("Cannot write");
    }
    const char* data = contents.data();
    size_t left = contents.size();
    while (left > 0) {
        ssize_t written = ::write(fd.get(), data, left);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            abandon("Cannot write");
        }
        data += written;
        left -= static_cast<size_t>(written);
    }
    if (::fsync(fd.get()) != 0) {
        abandon("Cannot write");
    }
    if (fd.close() != 0) {
        int error = errno;
        ::unlink(pattern.c_str());
        ThrowFileError("Cannot write", path, error);
    }
    if (::rename(pattern.c_str(), path.c_str()) != 0) {
        int error = errno;
        ::unlink(pattern.c_str());
        ThrowFileError("Cannot replace", path, error);
    }
    SyncDirectory(directory);
}

}  // namespace lyr
