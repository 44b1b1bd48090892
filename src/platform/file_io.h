// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

namespace lyr {

// A regular file opened for reading from its start.
class FileReader {
public:
    // Throws lyr::Exception "Cannot open PATH: REASON", or "Cannot read PATH: REASON" when the
    // path names no regular file (a directory, for one).
    explicit FileReader(const std::filesystem::path& path);
    ~FileReader();
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;

    // The file's size when it was opened.
    uint64_t Size() const;
    // Reads up to `count` bytes into `destination`: fewer only at the end of the file or when a
    // read fails, whose reason Failure() then gives.
    size_t Read(char* destination, size_t count);
    // The system's reason for the last failed read; empty while none failed.
    const std::string& Failure() const;

private:
    struct Handle;
    std::unique_ptr<Handle> handle_;
};

// Writes `bytes` at the end of `path` (made when missing) in one append and flushes them to the
// disk. On any failure the file is cut back to the length it had and lyr::Exception is thrown:
// "Cannot open PATH: REASON", "Cannot write PATH: REASON", with "; its last entry may be
// incomplete" added when even the cut failed.
void AppendToFile(const std::filesystem::path& path, const std::string& bytes);

}  // namespace lyr
