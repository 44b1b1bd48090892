// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/atomic_file.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/error.h"
#include "platform/spare_descriptor.h"

namespace lyr {

void ThrowFileError(const std::string& what, const std::filesystem::path& path, int error) {
    throw Exception(what + " " + path.string() + ": " + std::strerror(error));
}

std::optional<std::string> ReadWholeFile(const std::filesystem::path& path) {
    const SpareDescriptorInUse spare;
    std::error_code error;
    if (!std::filesystem::exists(path, error)) {
        return std::nullopt;
    }
    // A directory opens as a stream that reads as empty, which would pass for an empty file.
    if (std::filesystem::is_directory(path, error)) {
        ThrowFileError("Cannot read", path, EISDIR);
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        ThrowFileError("Cannot open", path, errno);
    }
    // Read into memory of the file's size at once, not through a growing copy.
    const auto size = std::filesystem::file_size(path, error);
    std::string contents(error ? 0 : size, '\0');
    in.read(contents.data(), static_cast<std::streamsize>(contents.size()));
    contents.resize(static_cast<size_t>(in.gcount()));
    if (in.bad()) {
        ThrowFileError("Cannot read", path, errno);
    }
    // A file that grew meanwhile is read to its end.
    std::ostringstream rest;
    if (in && in.peek() != std::char_traits<char>::eof()) {
        rest << in.rdbuf();
        contents += std::move(rest).str();
    }
    if (in.bad()) {
        ThrowFileError("Cannot read", path, errno);
    }
    return contents;
}

std::optional<std::filesystem::path> KeepDamagedCopy(const std::filesystem::path& path) {
    std::filesystem::path copy = path;
    copy += ".bad";
    std::error_code error;
    std::filesystem::copy_file(path, copy, std::filesystem::copy_options::overwrite_existing,
                               error);
    if (error) {
        return std::nullopt;
    }
    return copy;
}

std::optional<std::filesystem::path> MoveAside(const std::filesystem::path& path) {
    constexpr int kLastNumber = 9;
    for (int number = 1; number <= kLastNumber; ++number) {
        std::filesystem::path aside = path;
        aside += number == 1 ? ".bad" : ".bad." + std::to_string(number);
        std::error_code error;
        // A number is taken only when nothing has that name: rename would replace it.
        if (number > 1 && std::filesystem::symlink_status(aside, error).type() !=
                              std::filesystem::file_type::not_found) {
            continue;
        }
        std::filesystem::rename(path, aside, error);
        if (!error) {
            return aside;
        }
    }
    return std::nullopt;
}

}  // namespace lyr
