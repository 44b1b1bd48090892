// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace lyr {

// This computer's name on the network, the one it registers there (and so the sender name of
// what it sends): LYR_NETBIOS_COMPUTER_NAME when set, else the host name; either by the NetBIOS
// rule: the first label, upper-cased, cut to 15 characters. Nothing when the system has no
// usable host name.
std::optional<std::string> ComputerName();
std::optional<std::string> NetbiosNameFromHostName(const std::string& host_name);
// The host name as the operating system has it; nothing when it cannot say.
std::optional<std::string> HostName();

// The workgroup: "workgroup =" of the [global] section of smb.conf when present, else
// "WORKGROUP"; upper-cased and cut to 15 characters like a computer name.
std::string Workgroup(const std::filesystem::path& smb_conf = "/etc/samba/smb.conf");

// The first non-empty value of `key` (lower case) in the [global] section of smb.conf.
std::optional<std::string> SambaGlobalSetting(const std::string& key,
                                              const std::filesystem::path& smb_conf);

}  // namespace lyr
