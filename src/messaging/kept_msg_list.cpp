#include "messaging/kept_msg_list.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/error.h"
#include "platform/linux/unique_fd.h"

namespace lyr {
namespace {

// Writes `bytes` at the end of `path` in one append. On any failure the file is cut back to the
// length it had, and the error is thrown.
void AppendToFile(const std::filesystem::path& path, const std::string& bytes) {
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

}  // namespace

LoadReport KeptMsgList::Load() {
    std::error_code error;
    if (!std::filesystem::exists(file_, error) && !error) {
        file_is_ours_ = true;
        records_in_file_ = list_.Count();
        return {};
    }
    LoadReport report = list_.LoadFromFile(file_);
    file_is_ours_ = true;
    if (report.complete) {
        records_in_file_ = list_.Count();
    } else {
        Save();
    }
    return report;
}

TMsgData& KeptMsgList::Add(TMsgData record, bool keep_file) {
    TMsgData& stored = list_.Append(std::move(record));
    if (keep_file && file_is_ours_) {
        if (records_in_file_ == list_.Count() - 1) {
            AppendLastRecord();
        } else {
            Save();
        }
    }
    return stored;
}

void KeptMsgList::AppendLastRecord() {
    TMsgList last;
    last.Append(list_.Item(list_.Count() - 1));
    try {
        AppendToFile(file_, last.ToBytes());
    } catch (const Exception&) {
        // Cut back, the file holds the records before this one; otherwise its end is unknown.
        // Either way the next write rewrites it whole.
        records_in_file_.reset();
        throw;
    }
    records_in_file_ = list_.Count();
}

void KeptMsgList::Delete(size_t index, bool keep_file) {
    list_.Delete(index);
    records_in_file_.reset();
    if (keep_file) {
        Save();
    }
}

void KeptMsgList::Save() {
    if (!file_is_ours_) {
        return;
    }
    records_in_file_.reset();
    list_.SaveToFile(file_);
    records_in_file_ = list_.Count();
}

void KeptMsgList::DisposeAll() {
    list_.DisposeAll();
    file_is_ours_ = false;
    records_in_file_.reset();
}

}  // namespace lyr
