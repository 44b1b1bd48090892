// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "contacts/user_data.h"

namespace lyr {

// users.dat: the header line "QUIDELV1.01", then one line "Name,Group,Kind,Reserved" per entry in
// list order, ANSI code page, CR LF. There is no quoting: a comma in a name does not survive.
inline constexpr char kUsersFileName[] = "users.dat";
inline constexpr std::string_view kUsersFileHeader = "QUIDELV1.01";
constexpr size_t kMaxUsersFileLine = 255;

// The entries of the file in file order, every one unticked, not sorted. Lines are read up to
// their 255th character; missing fields are empty, a number that is not one reads as 0, and
// numbers keep their low eight bits. Nothing when the file is missing or its first line is not
// the header exactly: the caller's list then stays as it is. Throws lyr::Exception when the file
// exists but cannot be read.
std::optional<std::vector<TUserData>> ReadUsersFile(const std::filesystem::path& path);
std::optional<std::vector<TUserData>> ParseUsersFile(std::string_view contents);

// Whether `path` holds something that is no users file: its first line is not the header (one
// changed byte, random bytes). A missing or empty file is not damaged. Throws lyr::Exception
// when the file exists but cannot be read.
bool UsersFileDamaged(const std::filesystem::path& path);

// Writes the header and every entry, each line cut to 255 characters (a name at a line break),
// atomically. Throws
// lyr::Exception when the file cannot be written (the old file then stays as it was).
void WriteUsersFile(const std::filesystem::path& path, const std::vector<TUserData>& entries);
std::string FormatUsersFile(const std::vector<TUserData>& entries);

}  // namespace lyr
