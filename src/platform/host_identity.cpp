// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/host_identity.h"

#include <cstdlib>
#include <fstream>

#include "base/ascii_case.h"
#include "base/text.h"
#include "netbios/netbios_name.h"

namespace lyr {
namespace {

// smb.conf may have been written on Windows, with CR LF.
constexpr std::string_view kWhitespace = " \t\r\n";

std::string UpperCut(std::string_view text) {
    return ToUpperAscii(text.substr(0, netbios::kLongestNetbiosName));
}

}  // namespace

std::optional<std::string> NetbiosNameFromHostName(const std::string& host_name) {
    const std::string_view label =
        Trim(std::string_view(host_name).substr(0, host_name.find('.')), kWhitespace);
    if (label.empty()) {
        return std::nullopt;
    }
    return UpperCut(label);
}

std::optional<std::string> ComputerName() {
    if (const char* chosen = std::getenv("LYR_NETBIOS_COMPUTER_NAME"); chosen && *chosen) {
        return NetbiosNameFromHostName(chosen);
    }
    std::optional<std::string> host_name = HostName();
    if (!host_name) {
        return std::nullopt;
    }
    return NetbiosNameFromHostName(*host_name);
}

std::optional<std::string> SambaGlobalSetting(const std::string& wanted,
                                              const std::filesystem::path& smb_conf) {
    std::ifstream in(smb_conf);
    std::string line;
    bool in_global = false;
    while (std::getline(in, line)) {
        const std::string_view text = Trim(line, kWhitespace);
        if (text.empty() || text[0] == '#' || text[0] == ';') {
            continue;
        }
        if (text.front() == '[') {
            in_global =
                ToLowerAscii(Trim(text.substr(1, text.find(']') - 1), kWhitespace)) == "global";
            continue;
        }
        auto equals = text.find('=');
        if (!in_global || equals == std::string::npos) {
            continue;
        }
        if (ToLowerAscii(Trim(text.substr(0, equals), kWhitespace)) == wanted) {
            const std::string_view value = Trim(text.substr(equals + 1), kWhitespace);
            if (!value.empty()) {
                return std::string(value);
            }
        }
    }
    return std::nullopt;
}

std::string Workgroup(const std::filesystem::path& smb_conf) {
    if (auto value = SambaGlobalSetting("workgroup", smb_conf)) {
        return UpperCut(*value);
    }
    return "WORKGROUP";
}

}  // namespace lyr
