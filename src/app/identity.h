// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "platform/profile.h"

namespace lyr {

inline constexpr char kIdentityFileName[] = "quidel.ini";
inline constexpr char kIdentitySection[] = "User";

// The user's identity and the texts of the automatic answers, byte strings in the ANSI code
// page. Nik is the sender name of every message sent.
struct Identity {
    static constexpr size_t kMaximumNameLength = 255;

    std::string UserName;   // at most kMaximumNameLength characters
    std::string Nik;        // at most kMaximumNameLength characters
    std::string ReplyText;  // sent while auto-reply is on
    std::string BusyText;   // sent while the user is busy
};

// A user name or nickname cut to Identity::kMaximumNameLength bytes.
std::string CutName(std::string name);

// DataDir + "quidel.ini".
std::filesystem::path IdentityFilePath(const std::string& data_dir);

// Reads the four values of section "User"; missing ones are empty, the names are cut.
Identity ReadIdentity(const Profile& profile);

// Writes UserName, Nik, ReplyText and BusyText, in that order. A refused write throws
// lyr::Exception(kUnableToWriteTo); the keys after it are then not written.
void WriteIdentity(Profile& profile, const Identity& identity);

// The defaults applied after reading: this computer's name (`computer_name`, nothing when it
// is unknown), else Nik, else "undef", becomes CompName, which is returned; an empty UserName
// and then an empty Nik become CompName. They stay in memory until the next WriteIdentity.
std::string ApplyIdentityDefaults(Identity& identity,
                                  const std::optional<std::string>& computer_name);

}  // namespace lyr
