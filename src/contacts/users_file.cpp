// SPDX-License-Identifier: GPL-3.0-or-later
#include "contacts/users_file.h"

#include "contacts/addressee_list.h"

#include <charconv>
#include <cstdint>

#include "base/text.h"
#include "platform/atomic_file.h"

namespace lyr {
namespace {

// A field "read as a decimal integer": an optional sign and digits that fit in 32 bits, else 0.
uint8_t LowEightBits(std::string_view field) {
    if (!field.empty() && field.front() == '+') {
        field.remove_prefix(1);
        if (!field.empty() && field.front() == '-') {
            return 0;
        }
    }
    int32_t number = 0;
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), number);
    if (field.empty() || error != std::errc() || end != field.data() + field.size()) {
        return 0;
    }
    return static_cast<uint8_t>(static_cast<uint32_t>(number) & 0xFF);
}

TUserData ParseEntry(std::string_view line) {
    std::string_view fields[4];
    for (size_t i = 0; i < 4; ++i) {
        const size_t comma = line.find(',');
        fields[i] = line.substr(0, comma);
        if (comma == std::string_view::npos) {
            break;
        }
        line.remove_prefix(comma + 1);
    }
    TUserData entry;
    entry.Name = fields[0];
    entry.Group = fields[1];
    entry.Kind = LowEightBits(fields[2]);
    entry.Reserved = LowEightBits(fields[3]);
    return entry;
}

// A line break inside a name would split its line in two and make up an entry; the name ends
// there instead.
std::string_view OneLine(std::string_view field) {
    return field.substr(0, field.find_first_of("\r\n"));
}

}  // namespace

std::optional<std::vector<TUserData>> ParseUsersFile(std::string_view contents) {
    const auto lines = SplitLines(contents);
    if (lines.empty() || lines.front().substr(0, kMaxUsersFileLine) != kUsersFileHeader) {
        return std::nullopt;
    }
    std::vector<TUserData> entries;
    entries.reserve(lines.size() - 1);
    for (size_t i = 1; i < lines.size(); ++i) {
        entries.push_back(ParseEntry(lines[i].substr(0, kMaxUsersFileLine)));
    }
    return entries;
}

std::optional<std::vector<TUserData>> ReadUsersFile(const std::filesystem::path& path) {
    const auto contents = ReadWholeFile(path);
    if (!contents) {
        return std::nullopt;
    }
    return ParseUsersFile(*contents);
}

bool UsersFileDamaged(const std::filesystem::path& path) {
    const auto contents = ReadWholeFile(path);
    return contents && !contents->empty() && !ParseUsersFile(*contents);
}

std::string FormatUsersFile(const std::vector<TUserData>& entries) {
    std::string contents(kUsersFileHeader);
    contents += "\r\n";
    for (const auto& entry : entries) {
        std::string line;
        line.append(OneLine(entry.Name)).append(",").append(OneLine(entry.Group));
        line.append(",").append(std::to_string(entry.Kind));
        line.append(",").append(std::to_string(entry.Reserved));
        contents.append(line, 0, kMaxUsersFileLine);
        contents += "\r\n";
    }
    return contents;
}

void WriteUsersFile(const std::filesystem::path& path, const std::vector<TUserData>& entries) {
    WriteFileAtomically(path, FormatUsersFile(entries));
}

bool UsersFileList::ReadUsersFile() {
    auto entries = lyr::ReadUsersFile(users_file_);
    if (!entries) {
        return false;
    }
    entries_ = std::move(*entries);
    return true;
}

void UsersFileList::WriteUsersFile() const {
    lyr::WriteUsersFile(users_file_, entries_);
}

}  // namespace lyr
