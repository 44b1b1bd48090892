// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/host_identity.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>

namespace lyr {
namespace {

constexpr size_t kNetbiosNameLength = 15;

std::string Trim(const std::string& text) {
    auto begin = text.find_first_not_of(" \t\r\n");
    if (begin == std::string::npos) {
        return {};
    }
    auto end = text.find_last_not_of(" \t\r\n");
    return text.substr(begin, end - begin + 1);
}

std::string UpperCut(std::string text) {
    if (text.size() > kNetbiosNameLength) {
        text.resize(kNetbiosNameLength);
    }
    // ASCII letters only: a NetBIOS name must not depend on the locale the program runs in.
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return text;
}

}  // namespace

std::optional<std::string> NetbiosNameFromHostName(const std::string& host_name) {
    std::string label = host_name.substr(0, host_name.find('.'));
    label = Trim(label);
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
    auto lower = [](std::string text) {
        std::transform(text.begin(), text.end(), text.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        return text;
    };
    while (std::getline(in, line)) {
        std::string text = Trim(line);
        if (text.empty() || text[0] == '#' || text[0] == ';') {
            continue;
        }
        if (text.front() == '[') {
            in_global = lower(Trim(text.substr(1, text.find(']') - 1))) == "global";
            continue;
        }
        auto equals = text.find('=');
        if (!in_global || equals == std::string::npos) {
            continue;
        }
        if (lower(Trim(text.substr(0, equals))) == wanted) {
            std::string value = Trim(text.substr(equals + 1));
            if (!value.empty()) {
                return value;
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
