// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "platform/profile.h"

namespace lyr {

// The profile functions on the text of a file, for the file-backed profile and for tests.
std::string ReadProfileText(std::string_view contents, const std::string& section,
                            const std::string& key, const std::string& default_value);
// Returns the new text of the file. Throws lyr::Exception when the library fails.
std::string WriteProfileText(std::string_view contents, const std::string& section,
                             const std::string& key, const std::string& value);

// A profile file on disk. Each call reads the file afresh; each write replaces it atomically.
class IniProfile : public Profile {
public:
    explicit IniProfile(std::filesystem::path file) : file_(std::move(file)) {}

    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& default_value) const override;
    void CheckReadable() const override;
    void WriteString(const std::string& section, const std::string& key,
                     const std::string& value) override;

    const std::filesystem::path& File() const { return file_; }

private:
    std::filesystem::path file_;
};

}  // namespace lyr
