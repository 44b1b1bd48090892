// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/netbios_config.h"

#include <charconv>
#include <cstdlib>
#include <cstring>

#include "base/log.h"
#include "netbios/interfaces.h"
#include "platform/atomic_file.h"
#include "platform/host_identity.h"
#include "platform/special_folders.h"
#include "platform/user_directories.h"

namespace lyr {
namespace {

uint16_t NumberFromEnvironment(const char* variable, uint16_t fallback) {
    const char* text = std::getenv(variable);
    unsigned value = 0;
    if (!text || !*text) {
        return fallback;
    }
    auto [end, error] = std::from_chars(text, text + std::strlen(text), value);
    if (error != std::errc() || *end != '\0' || value == 0 || value > 65535) {
        return fallback;
    }
    return static_cast<uint16_t>(value);
}

std::optional<std::string> NameFromEnvironment(const char* variable) {
    const char* text = std::getenv(variable);
    if (!text || !*text) {
        return std::nullopt;
    }
    return NetbiosNameFromHostName(text);
}

// Bigger than a list at its bounds ever is: anything larger is no list of ours.
constexpr std::uintmax_t kLongestKeptBrowseList = 4 << 20;

void KeepBrowseListIn(netbios::ServiceConfig& config, const std::filesystem::path& path) {
    config.read_kept_browse_list = [path]() -> std::optional<std::string> {
        std::error_code error;
        if (std::filesystem::file_size(path, error) > kLongestKeptBrowseList || error) {
            return std::nullopt;
        }
        try {
            return ReadWholeFile(path);
        } catch (const std::exception& failure) {
            LogLine(LogSeverity::Warning, "netbios", failure.what());
            return std::nullopt;
        }
    };
    config.keep_browse_list = [path](const std::string& text) {
        try {
            MakeUserDirectories(path.parent_path().string());
            WriteFileAtomically(path, text);
        } catch (const std::exception& failure) {
            LogLine(LogSeverity::Warning, "netbios",
                    std::string("The browse list is not kept: ") + failure.what());
        }
    };
}

}  // namespace

std::filesystem::path KeptBrowseListPath() {
    auto cache = CurrentSpecialFolders().cache;
    return cache.empty() ? cache : cache / "Zendry" / "Messenger" / "browse-list";
}

std::vector<uint32_t> ParseNameServers(const std::string& text) {
    std::vector<uint32_t> servers;
    size_t at = 0;
    while (at < text.size()) {
        size_t begin = text.find_first_not_of(" \t,;", at);
        if (begin == std::string::npos) {
            break;
        }
        size_t end = text.find_first_of(" \t,;", begin);
        std::string entry = text.substr(begin, end == std::string::npos ? end : end - begin);
        at = end == std::string::npos ? text.size() : end;
        // Samba's "TAG:ADDRESS" form: the tag groups servers of one WINS replication set.
        std::string address = entry.substr(entry.rfind(':') + 1);
        if (auto parsed = netbios::ParseAddress(address)) {
            servers.push_back(*parsed);
        } else {
            LogLine(LogSeverity::Warning, "netbios",
                    "WINS server \"" + entry + "\" left out: only IPv4 addresses are used");
        }
    }
    return servers;
}

std::vector<uint32_t> NameServers(const std::filesystem::path& smb_conf) {
    if (const char* chosen = std::getenv("LYR_NETBIOS_WINS_SERVER"); chosen && *chosen) {
        return ParseNameServers(chosen);
    }
    return ParseNameServers(SambaGlobalSetting("wins server", smb_conf).value_or(""));
}

std::string OurWorkgroup() {
    return NameFromEnvironment("LYR_NETBIOS_WORKGROUP").value_or(Workgroup());
}

netbios::ServiceConfig MakeNetbiosServiceConfig(netbios::ServiceMode mode) {
    netbios::ServiceConfig config;
    config.mode = mode;
    config.computer_name = ComputerName().value_or("LOCALHOST");
    config.workgroup = OurWorkgroup();
    config.name_service_port =
        NumberFromEnvironment("LYR_NETBIOS_NS_PORT", config.name_service_port);
    config.datagram_port = NumberFromEnvironment("LYR_NETBIOS_DGM_PORT", config.datagram_port);
    config.session.port = NumberFromEnvironment("LYR_NETBIOS_SSN_PORT", config.session.port);
    config.name_servers = NameServers();
    if (auto seconds = NumberFromEnvironment("LYR_NETBIOS_RETRY_SECONDS", 0)) {
        config.retry_interval = std::chrono::seconds(seconds);
    }
    config.log = [](const std::string& line) { LogLine(LogSeverity::Warning, "netbios", line); };
    // Only an owner of the ports keeps it; a client may be made an owner later.
    if (auto path = KeptBrowseListPath(); !path.empty()) {
        KeepBrowseListIn(config, path);
    }
    return config;
}

}  // namespace lyr
