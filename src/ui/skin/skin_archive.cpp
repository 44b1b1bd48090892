// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/skin/skin_archive.h"

#include <QFile>

#include <unzip.h>

#include <string>

namespace lyr {
namespace {

constexpr uLong kFirstNameBytes = 1023;
constexpr int kCaseInsensitive = 2;

class OpenArchive {
public:
    explicit OpenArchive(const QByteArray& path) : file_(unzOpen64(path.constData())) {}
    ~OpenArchive() {
        if (file_ != nullptr) {
            unzClose(file_);
        }
    }
    OpenArchive(const OpenArchive&) = delete;
    OpenArchive& operator=(const OpenArchive&) = delete;

    unzFile get() const { return file_; }

private:
    unzFile file_;
};

// The folder part of the first entry's stored name, separator included; empty for a flat
// archive. Nothing when the archive has no entries.
std::optional<std::string> FirstEntryFolder(unzFile archive) {
    if (unzGoToFirstFile(archive) != UNZ_OK) {
        return std::nullopt;
    }
    unz_file_info64 info{};
    char name[kFirstNameBytes + 1] = {};
    if (unzGetCurrentFileInfo64(archive, &info, name, kFirstNameBytes, nullptr, 0, nullptr, 0) !=
        UNZ_OK) {
        return std::nullopt;
    }
    const std::string stored(name);
    const auto separator = stored.find_last_of("\\/");
    return separator == std::string::npos ? std::string() : stored.substr(0, separator + 1);
}

std::optional<QByteArray> ReadCurrentEntry(unzFile archive) {
    unz_file_info64 info{};
    if (unzGetCurrentFileInfo64(archive, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK ||
        info.uncompressed_size == 0 ||
        info.uncompressed_size > static_cast<ZPOS64_T>(kMaxSkinFileBytes)) {
        return std::nullopt;
    }
    if (unzOpenCurrentFile(archive) != UNZ_OK) {
        return std::nullopt;
    }
    QByteArray contents(static_cast<qsizetype>(info.uncompressed_size), Qt::Uninitialized);
    qsizetype filled = 0;
    while (filled < contents.size()) {
        const int read = unzReadCurrentFile(archive, contents.data() + filled,
                                            static_cast<unsigned>(contents.size() - filled));
        if (read <= 0) {
            break;
        }
        filled += read;
    }
    // Closing checks the entry's CRC once it has been read whole.
    const bool intact = unzCloseCurrentFile(archive) == UNZ_OK;
    if (filled != contents.size() || !intact) {
        return std::nullopt;
    }
    return contents;
}

}  // namespace

std::optional<QByteArray> ReadSkinFromArchive(const QString& archivePath) {
    const OpenArchive archive(QFile::encodeName(archivePath));
    if (archive.get() == nullptr) {
        return std::nullopt;
    }
    const auto folder = FirstEntryFolder(archive.get());
    if (!folder) {
        return std::nullopt;
    }
    const std::string wanted = *folder + "mb.bmp";
    if (unzLocateFile(archive.get(), wanted.c_str(), kCaseInsensitive) != UNZ_OK) {
        return std::nullopt;
    }
    return ReadCurrentEntry(archive.get());
}

}  // namespace lyr
