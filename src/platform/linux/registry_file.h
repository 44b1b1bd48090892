// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
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

// A registry key kept in one settings file. Every call reads the file afresh and every write
// replaces it atomically, so values written by another process in between are kept, and a
// crash never leaves half a file. An empty file name stands for a key that cannot be opened:
// it holds no values and refuses every write.
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
    std::vector<RegistryValue> Load() const;
    RegistryValue Find(const std::string& name) const;
    void Store(RegistryValue value);

    std::filesystem::path file_;
    std::string key_path_;
};

}  // namespace lyr
