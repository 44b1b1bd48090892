// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "base/unique_fd.h"
#include "platform/error.h"
#include "platform/spare_descriptor.h"

namespace lyr {

struct FileReader::Handle {
    SpareDescriptorInUse spare;  // outlives fd
    UniqueFd fd;
    uint64_t size = 0;
    std::string failure;
};

FileReader::FileReader(const std::filesystem::path& path) : handle_(std::make_unique<Handle>()) {
    handle_->fd.reset(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!handle_->fd) {
        throw Exception("Cannot open " + path.string() + ": " + std::strerror(errno));
    }
    struct stat status {};
    if (::fstat(handle_->fd.get(), &status) != 0 || !S_ISREG(status.st_mode)) {
        const int error = S_ISDIR(status.st_mode) ? EISDIR : errno;
        throw Exception("Cannot read " + path.string() + ": " + std::strerror(error));
    }
    handle_->size = static_cast<uint64_t>(status.st_size);
}

FileReader::~FileReader() = default;

uint64_t FileReader::Size() const {
    return handle_->size;
}

size_t FileReader::Read(char* destination, size_t count) {
    size_t done = 0;
    while (done < count) {
        const ssize_t got = ::read(handle_->fd.get(), destination + done, count - done);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            handle_->failure = std::strerror(errno);
            break;
        }
        if (got == 0) {
            break;
        }
        done += static_cast<size_t>(got);
    }
    return done;
}

const std::string& FileReader::Failure() const {
    return handle_->failure;
}

void AppendToFile(const std::filesystem::path& path, const std::string& bytes) {
    const SpareDescriptorInUse spare;
    UniqueFd fd(::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666));
    if (!fd) {
        throw Exception("Cannot open " + path.string() + ": " + std::strerror(errno));
    }
    struct stat status {};
    if (::fstat(fd.get(), &status) != 0) {
        const int error = errno;
        throw Exception("Cannot open " + path.string() + ": " + std::strerror(error));
    }
    const char* data = bytes.data();
    size_t left = bytes.size();
    int error = 0;
    while (left > 0 && error == 0) {
        const ssize_t written = ::write(fd.get(), data, left);
        if (written < 0) {
            error = errno == EINTR ? 0 : errno;
            continue;
        }
        data += written;
        left -= static_cast<size_t>(written);
    }
    if (error == 0 && ::fdatasync(fd.get()) != 0) {
        error = errno;
    }
    if (error == 0) {
        return;
    }
    const bool cut_back = ::ftruncate(fd.get(), status.st_size) == 0;
    if (!cut_back) {
        throw Exception("Cannot write " + path.string() + ": " + std::strerror(error) +
                        "; its last entry may be incomplete");
    }
    throw Exception("Cannot write " + path.string() + ": " + std::strerror(error));
}

}  // namespace lyr
