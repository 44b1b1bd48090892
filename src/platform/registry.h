// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/special_folders.h"

namespace lyr {

// The errors of typed value access, with the value's name in place of %s.
inline constexpr char kInvalidDataType[] = "Invalid data type for '%s'";
inline constexpr char kFailedToSetData[] = "Failed to set data for '%s'";
inline constexpr char kFailedToGetData[] = "Failed to get data for '%s'";

// One open key of the user's settings store: named values of a type each. Value names are
// matched without regard to case.
class RegistryKey {
public:
    virtual ~RegistryKey() = default;

    virtual bool ValueExists(const std::string& name) const = 0;

    // Reading a value of another type throws lyr::Exception(kInvalidDataType); a missing value
    // throws lyr::Exception(kFailedToGetData). Strings also read from expandable strings.
    virtual std::string ReadString(const std::string& name) const = 0;
    virtual std::int32_t ReadInteger(const std::string& name) const = 0;
    // Booleans are integers; any value other than 0 is true.
    bool ReadBool(const std::string& name) const { return ReadInteger(name) != 0; }

    // Creates or replaces the value (its type included). A refused write throws
    // lyr::Exception(kFailedToSetData) and leaves the stored value as it was.
    virtual void WriteString(const std::string& name, const std::string& value) = 0;
    virtual void WriteInteger(const std::string& name, std::int32_t value) = 0;
    void WriteBool(const std::string& name, bool value) { WriteInteger(name, value ? 1 : 0); }
};

// Opens (creating on first write) the key `subkey` of the current user, for example
// "Software\Zendry\Messenger\1.0". Throws lyr::Exception when the stored key cannot be read.
std::unique_ptr<RegistryKey> OpenCurrentUserKey(const std::string& subkey,
                                                const SpecialFolders& folders);

}  // namespace lyr
