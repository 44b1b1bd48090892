// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/identity.h"

namespace lyr {

std::string CutName(std::string name) {
    if (name.size() > Identity::kMaximumNameLength) {
        name.resize(Identity::kMaximumNameLength);
    }
    return name;
}

std::filesystem::path IdentityFilePath(const std::string& data_dir) {
    return data_dir + kIdentityFileName;
}

Identity ReadIdentity(const Profile& profile) {
    Identity identity;
    identity.UserName = CutName(profile.ReadString(kIdentitySection, "UserName", ""));
    identity.Nik = CutName(profile.ReadString(kIdentitySection, "Nik", ""));
    identity.ReplyText = profile.ReadString(kIdentitySection, "ReplyText", "");
    identity.BusyText = profile.ReadString(kIdentitySection, "BusyText", "");
    return identity;
}

void WriteIdentity(Profile& profile, const Identity& identity) {
    profile.WriteString(kIdentitySection, "UserName", identity.UserName);
    profile.WriteString(kIdentitySection, "Nik", identity.Nik);
    profile.WriteString(kIdentitySection, "ReplyText", identity.ReplyText);
    profile.WriteString(kIdentitySection, "BusyText", identity.BusyText);
}

std::string ApplyIdentityDefaults(Identity& identity,
                                  const std::optional<std::string>& computer_name) {
    std::string CompName;
    if (computer_name && !computer_name->empty()) {
        CompName = CutName(*computer_name);
    } else {
        CompName = identity.Nik.empty() ? "undef" : identity.Nik;
    }
    if (identity.UserName.empty()) {
        identity.UserName = CompName;
    }
    if (identity.Nik.empty()) {
        identity.Nik = CompName;
    }
    return CompName;
}

}  // namespace lyr
