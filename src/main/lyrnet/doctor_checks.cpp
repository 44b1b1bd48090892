#include "main/lyrnet/doctor_checks.h"

#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <future>
#include <nlohmann/json.hpp>
#include <optional>
#include <random>

#include "app/instance_requests.h"
#include "netbios/mailslot_write.h"
#include "netbios/port_holder.h"
#include "transport/messenger_datagram.h"

namespace lyr::cli {
namespace {

using Verdict = Finding::Verdict;

std::string UserName(uint32_t uid) {
    const passwd* user = getpwuid(uid);
    return user != nullptr ? user->pw_name : "user id " + std::to_string(uid);
}

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
    const auto use = netbios::WhoUsesPort(port.tcp, port.port);
    if (!use.in_use) {
        return {Verdict::Ok, topic,
                "free: the messenger (or lyrnet listen) takes it when it starts"};
    }
    if (!use.process && use.uid == getuid()) {
        return {Verdict::Problem, topic,
                "held by a program of this user that could not be looked into"};
    }
    if (!use.process) {
        return {Verdict::Problem, topic,
                "held by a program of another local user (" + UserName(use.uid) +
                    "): this user's messenger cannot receive on it"};
    }
    const std::string& process = *use.process;
    // Ours receive for the whole computer, whichever user runs them.
    const std::string of_user = use.uid == getuid() ? "" : " of user " + UserName(use.uid);
    if (process.rfind("lyrmessenger ", 0) == 0) {
        return {Verdict::Ok, topic, "held by the messenger" + of_user + ", " + process};
    }
    if (process.rfind("lyrnet ", 0) == 0) {
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

std::vector<Finding> CheckNames(const std::string& names_json, const std::string& holder) {
    std::vector<Finding> findings;
    const auto names = nlohmann::json::parse(names_json, nullptr, false);
    if (!names.is_array()) {
        return {{Verdict::Unknown, "names", holder + " did not say which names it holds"}};
    }
    for (const auto& name : names) {
        if (!name.is_object()) {
            continue;
        }
        // The answer of whoever holds the instance socket: a field of another type is no field.
        auto text_of = [&name](const char* key) {
            auto field = name.find(key);
            return field != name.end() && field->is_string() ? field->get<std::string>() : "";
        };
        auto registered_field = name.find("registered");
        const bool registered = registered_field != name.end() && registered_field->is_boolean() &&
                                registered_field->get<bool>();
        std::string text =
            text_of("name") + " " + text_of("state") + ", as " + holder + " holds it";
        if (!registered) {
            text +=
                ": what is sent to it does not reach this computer; give this computer "
                "another name (LYR_NETBIOS_COMPUTER_NAME) or free the name";
        }
        findings.push_back({registered ? Verdict::Ok : Verdict::Problem, "names", text});
    }
    return findings;
}

Finding CheckNameAnswer(const netbios::ServiceConfig& config) {
    netbios::ServiceConfig asking = config;
    asking.mode = netbios::ServiceMode::Client;
    asking.dns_timeout = std::chrono::milliseconds(0);
    netbios::NetbiosService service(std::move(asking));
    const auto name = netbios::NetbiosName::Make(config.computer_name, netbios::kMessengerSuffix);
    auto answer = service.QueryName(name);
    if (!answer) {
        return {Verdict::Problem, "names",
                "nobody answers a name query for " + name.ToString() +
                    ": other computers cannot find this one by name"};
    }
    const std::string address = netbios::FormatAddress(answer->address);
    if (!service.IsOwnAddress(answer->address)) {
        return {Verdict::Problem, "names",
                name.ToString() + " is answered for by " + address +
                    ", another computer: what is sent to it goes there"};
    }
    return {Verdict::Ok, "names",
            name.ToString() + " is answered for by this computer, " + address};
}

Finding CheckNameServer(const netbios::ServiceConfig& config, uint32_t server) {
    const std::string topic = "WINS " + netbios::FormatAddress(server);
    netbios::ServiceConfig asking = config;
    // The server alone: no broadcast may answer in its place.
    asking.mode = netbios::ServiceMode::Client;
    asking.name_servers = {server};
    asking.interfaces = std::vector<netbios::Ipv4Interface>{};
    asking.dns_timeout = std::chrono::milliseconds(0);
    netbios::NetbiosService service(std::move(asking));
    const auto name = netbios::NetbiosName::Make(config.computer_name, netbios::kWorkstationSuffix);
    if (auto answer = service.QueryName(name)) {
        return {
            Verdict::Ok, topic,
            "answers: " + name.ToString() + " is at " + netbios::FormatAddress(answer->address)};
    }
    return {Verdict::Problem, topic,
            "gives no address for " + name.ToString() +
                ": it does not answer, or this computer is not registered there"};
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

Finding CheckDelivery(const netbios::ServiceConfig& config,
                      const std::vector<netbios::Ipv4Interface>& interfaces,
                      MailslotReceiver& slot) {
    const netbios::Ipv4Interface* target = nullptr;
    for (const auto& interface : interfaces) {
        if (!interface.loopback && (target == nullptr || !target->CarriesBroadcasts())) {
            target = &interface;
        }
    }
    if (target == nullptr) {
        return {Verdict::Problem, "delivery", "no IPv4 interface to send a test datagram to"};
    }
    const auto name = netbios::NetbiosName::Make(config.computer_name, netbios::kMessengerSuffix);
    const std::string where = name.ToString() + " at " + netbios::FormatAddress(target->address);
    const std::string text = "lyrnet doctor " + std::to_string(std::random_device()());
    auto smb = netbios::BuildMailslotWrite(
        "\\MAILSLOT\\MESSNGR", BuildDatagram("LYRNET-DOCTOR", config.computer_name, text));
    // From sockets of its own, as another computer's datagram would come.
    netbios::ServiceConfig sending = config;
    sending.mode = netbios::ServiceMode::Client;
    netbios::NetbiosService sender(std::move(sending));
    if (!smb ||
        !sender.SendDatagram(netbios::DatagramType::DirectUnique, name, target->address, *smb)) {
        return {Verdict::Problem, "delivery", "a test datagram to " + where + " cannot be sent"};
    }
    auto arrived = std::async(std::launch::async, [&slot, &text] {
        while (slot.Wait()) {
            std::string message(kLongestSentText * 4, '\0');
            auto size = slot.Read(message);
            if (size && *size <= message.size() &&
                std::string_view(message.data(), *size).find(text) != std::string_view::npos) {
                return true;
            }
        }
        return false;
    });
    if (arrived.wait_for(std::chrono::seconds(3)) == std::future_status::timeout) {
        slot.Close();
    }
    if (arrived.get()) {
        return {Verdict::Ok, "delivery",
                "a test datagram to " + where + " came back through the network to the mailslot"};
    }
    return {Verdict::Problem, "delivery",
            "a test datagram to " + where +
                " did not reach the mailslot within 3 s: messages from other computers do not "
                "arrive either"};
}

}  // namespace lyr::cli
