// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <string>

namespace lyr {

// The error of a refused profile write, with the file's full name in place of %s.
inline constexpr char kUnableToWriteTo[] = "Unable to write to %s";

// One profile (INI) file: named sections of "key=value" lines. Section and key names are
// matched without regard to case; texts are byte strings, passed through unconverted.
class Profile {
public:
    // A value read comes back through a buffer of 2048 characters.
    static constexpr size_t kMaximumValueLength = 2047;

    virtual ~Profile() = default;

    // The value of `key` in `section`, or `default_value` when the file, the section or the
    // key is missing; at most kMaximumValueLength characters either way.
    virtual std::string ReadString(const std::string& section, const std::string& key,
                                   const std::string& default_value) const = 0;

    // Throws lyr::Exception naming the file and the reason when the file is there but cannot
    // be read; ReadString then gives the defaults, as for a missing file.
    virtual void CheckReadable() const {}

    // Sets `key` in `section`, creating the file, the section or the key as needed and keeping
    // every other section and key. A value is one line: line breaks in it become spaces.
    // Throws lyr::Exception(kUnableToWriteTo) when the file cannot be written.
    virtual void WriteString(const std::string& section, const std::string& key,
                             const std::string& value) = 0;
};

}  // namespace lyr
