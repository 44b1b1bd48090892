// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/registry.h"

namespace lyr {

// One value as the settings file holds it.
struct RegistryValue {
    enum class Kind { String, Dword, Hex };

    std::string name;
    Kind kind = Kind::String;
    std::string text;            // String: the text (UTF-8)
    std::uint32_t dword = 0;     // Dword
    std::uint32_t hex_type = 3;  // Hex: the registry type number (2 expandable string, 3 binary)
    std::string bytes;           // Hex: the raw data

    bool operator==(const RegistryValue&) const = default;
};

// Values in file order, found by name without regard to case in constant time, so that a file
// of many values is read in time linear in its size.
class RegistryValueTable {
public:
    // Replaces the value of the same name where it stands (keeping the stored spelling of the
    // name), or appends a new one.
    void Put(RegistryValue value);
    const RegistryValue* Find(std::string_view name) const;
    const std::vector<RegistryValue>& Values() const { return values_; }
    std::vector<RegistryValue> TakeValues() && { return std::move(values_); }

private:
    std::vector<RegistryValue> values_;
    std::unordered_map<std::string, size_t> positions_;  // by the lower-cased name
};

// The settings file format is the registry-export text of one key:
//
//   Windows Registry Editor Version 5.00
//
//   [HKEY_CURRENT_USER\Software\Zendry\Messenger\1.0]
//   "AppData"="1000"
//   "WindowType"=dword:00000001
//
// Strings escape \ and " (and line breaks and NUL as \n, \r, \0) with a backslash; other types
// are hex(N): byte lists. Values keep their order in the file.
//
// Throws lyr::Exception naming `file_name` and the line when the text is not such a file.
std::vector<RegistryValue> ParseRegistryFile(std::string_view contents, std::string_view key_path,
                                             const std::string& file_name);
std::string FormatRegistryFile(const std::vector<RegistryValue>& values, std::string_view key_path);

// A registry key kept in one settings file. Every call sees the file as it is now, so values
// written by another process in between are kept: the file is parsed again only when it has
// changed (another inode, size, modification or change time), and every write replaces it
// atomically, so a crash never leaves half a file. An empty file name stands for a key that
// cannot be opened: it holds no values and refuses every write.
class RegistryFile : public RegistryKey {
public:
    // Throws lyr::Exception when the file exists but cannot be read or parsed.
    RegistryFile(std::filesystem::path file, std::string key_path);

    bool ValueExists(const std::string& name) const override;
    std::string ReadString(const std::string& name) const override;
    std::int32_t ReadInteger(const std::string& name) const override;
    void WriteString(const std::string& name, const std::string& value) override;
    void WriteInteger(const std::string& name, std::int32_t value) override;

    const std::filesystem::path& File() const { return file_; }

private:
    // What identifies one state of the file; nothing for a file that does not exist.
    struct Stamp {
        bool exists = false;
        std::uint64_t device = 0, inode = 0, size = 0;
        std::int64_t modified_ns = 0, changed_ns = 0;
        bool operator==(const Stamp&) const = default;
    };
    // The stamp of the file now; nothing when it cannot be told (the read then says why).
    std::optional<Stamp> CurrentStamp() const;

    const RegistryValueTable& Load() const;
    const RegistryValue& Find(const std::string& name) const;
    void Store(RegistryValue value);

    std::filesystem::path file_;
    std::string key_path_;
    mutable RegistryValueTable values_;
    mutable std::optional<Stamp> loaded_;  // the state values_ was read from
};

}  // namespace lyr
