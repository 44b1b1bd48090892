// SPDX-License-Identifier: GPL-3.0-or-later
#include "main/lyrnet/doctor_checks.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <optional>

#include "app/instance_requests.h"
#include "netbios/port_holder.h"

// The checks of this computer alone: interfaces, ports, the messenger, the firewall.
namespace lyr::cli {
namespace {

using Verdict = Finding::Verdict;

// A firewall tool wherever the system keeps it: ordinary users often lack /usr/sbin in PATH.
std::optional<std::string> FindTool(const std::string& name) {
    std::string directories = std::getenv("PATH") ? std::getenv("PATH") : "";
    directories += ":/usr/sbin:/sbin";
    size_t start = 0;
    while (start <= directories.size()) {
        size_t end = std::min(directories.find(':', start), directories.size());
        std::string path = directories.substr(start, end - start) + "/" + name;
        if (end > start && access(path.c_str(), X_OK) == 0) {
            return path;
        }
        start = end + 1;
    }
    return std::nullopt;
}

struct ToolOutput {
    bool succeeded = false;
    std::string text;  // standard output and error together
};

// Runs a tool of `FindTool`'s with fixed arguments; a ruleset is read up to a generous bound.
ToolOutput RunTool(const std::string& path, const std::string& arguments) {
    constexpr size_t kLongestOutput = 64 << 20;
    ToolOutput output;
    std::FILE* pipe = popen(("'" + path + "' " + arguments + " 2>&1").c_str(), "r");
    if (pipe == nullptr) {
        return output;
    }
    char buffer[65536];
    for (size_t read; (read = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
        if (output.text.size() < kLongestOutput) {
            output.text.append(buffer, read);
        }
    }
    const int status = pclose(pipe);
    output.succeeded = status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return output;
}

std::string FirstLine(const std::string& text) {
    return text.substr(0, text.find('\n'));
}

std::vector<Finding> FirewallFindingsOf(const std::string& tool, const FirewallFindings& found) {
    std::vector<Finding> findings;
    for (const auto& rule : found.blocking) {
        findings.push_back({Verdict::Problem, "firewall",
                            rule + ": messages from other computers cannot arrive (see the "
                                   "README's \"Firewall\")"});
    }
    for (const auto& chain : found.dropping_chains) {
        findings.push_back({Verdict::Unknown, "firewall",
                            chain + ": make sure UDP 137, 138 and TCP 139 are accepted"});
    }
    if (findings.empty()) {
        findings.push_back({Verdict::Ok, "firewall",
                            "no " + tool + " rule drops or rejects the messenger's ports"});
    }
    return findings;
}

}  // namespace

std::vector<Finding> CheckInterfaces(const std::vector<netbios::Ipv4Interface>& interfaces) {
    std::vector<Finding> findings;
    bool any_broadcast = false;
    for (const auto& interface : interfaces) {
        if (interface.loopback) {
            continue;
        }
        std::string text = interface.name + " " + netbios::FormatAddress(interface.address);
        if (interface.CarriesBroadcasts()) {
            any_broadcast = true;
            text += ", broadcast " + netbios::FormatAddress(interface.broadcast);
        } else {
            text += ", no broadcast address: name queries and group messages do not go out on it";
        }
        findings.push_back({Verdict::Ok, "interfaces", text});
    }
    if (!any_broadcast) {
        findings.push_back({Verdict::Problem, "interfaces",
                            "no IPv4 interface that is up carries broadcasts: other computers can "
                            "neither find this one nor be found"});
    }
    return findings;
}

Finding CheckPort(const NeededPort& port) {
    const std::string topic = PortText(port);
    const auto holder =
        port.tcp ? netbios::FindTcpPortHolder(port.port) : netbios::FindUdpPortHolder(port.port);
    if (!holder) {
        return {Verdict::Ok, topic,
                "free: the messenger (or lyrnet listen) takes it when it starts"};
    }
    if (holder->program.empty() && !holder->other_user) {
        return {Verdict::Problem, topic,
                "held by a program of this user that could not be looked into"};
    }
    if (holder->program.empty()) {
        return {Verdict::Problem, topic,
                "held by a program of another local user (" + holder->user +
                    "): this user's messenger cannot receive on it"};
    }
    const std::string process =
        holder->program + " (process " + std::to_string(holder->process) + ")";
    // Ours receive for the whole computer, whichever user runs them.
    const std::string of_user = holder->other_user ? " of user " + holder->user : "";
    if (holder->program == "lyrmessenger") {
        return {Verdict::Ok, topic, "held by the messenger" + of_user + ", " + process};
    }
    if (holder->program == "lyrnet") {
        return {Verdict::Ok, topic, "held by lyrnet listen" + of_user + ", " + process};
    }
    return {Verdict::Problem, topic,
            "held by another program, " + process + of_user +
                ": the messenger cannot receive on it; stop that program (Samba's nmbd: sudo "
                "systemctl stop nmbd; smbd on TCP 139: smb ports = 445)"};
}

Finding CheckMessenger() {
    const std::string socket_path = InstanceSocketPath();
    if (socket_path.empty()) {
        return {Verdict::Unknown, "messenger",
                "no private place for the messenger's socket (set XDG_RUNTIME_DIR): cannot ask "
                "whether it runs"};
    }
    if (auto state = AskRunningCopy(socket_path, {InstanceRequestKind::State, 0})) {
        const char* name = *state == 0 ? "active" : *state == 1 ? "busy" : "auto-reply";
        return {Verdict::Ok, "messenger", std::string("runs for this user, ") + name};
    }
    if (CopyHoldsInstanceSocket(socket_path)) {
        return {Verdict::Problem, "messenger",
                "runs for this user but does not answer (stopped, or its window is busy)"};
    }
    return {Verdict::Ok, "messenger", "does not run for this user"};
}

std::vector<Finding> CheckFirewall(const std::vector<NeededPort>& ports) {
    for (const char* tool : {"nft", "iptables-save"}) {
        auto path = FindTool(tool);
        if (!path) {
            continue;
        }
        const bool nft = std::string(tool) == "nft";
        const std::string name = nft ? "nftables" : "iptables";
        ToolOutput output = RunTool(*path, nft ? "-j list ruleset" : "");
        if (!output.succeeded) {
            return {{Verdict::Unknown, "firewall",
                     "the " + name + " rules cannot be read (" + FirstLine(output.text) +
                         "); run lyrnet doctor as root to see them"}};
        }
        auto found =
            nft ? ReadNftRuleset(output.text, ports) : ReadIptablesRules(output.text, ports);
        if (!found) {
            return {{Verdict::Unknown, "firewall",
                     "nft does not list the rules as JSON (" + FirstLine(output.text) + ")"}};
        }
        return FirewallFindingsOf(name, *found);
    }
    return {
        {Verdict::Ok, "firewall", "neither nft nor iptables-save is installed: no rules to read"}};
}

}  // namespace lyr::cli
