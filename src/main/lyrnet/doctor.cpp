// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdio>

#include "app/names_json.h"
#include "main/lyrnet/arguments.h"
#include "main/lyrnet/doctor_checks.h"
#include "main/lyrnet/neighbourhood.h"
#include "main/lyrnet/subcommands.h"
#include "main/lyrnet/terminal_text.h"
#include "platform/linux/network_mailslot_system.h"
#include "platform/mailslot.h"
#include "platform/messenger_message.h"
#include "platform/netbios_config.h"

namespace lyr::cli {
namespace {

using Verdict = Finding::Verdict;

void Append(std::vector<Finding>& findings, std::vector<Finding> more) {
    findings.insert(findings.end(), more.begin(), more.end());
}

// The names as the owner of the ports holds them, and the end-to-end check where this process
// may be the receiver for a moment: nobody of ours holds "messngr".
void CheckReceiving(const netbios::ServiceConfig& config,
                    const std::vector<netbios::Ipv4Interface>& interfaces,
                    std::vector<Finding>& findings) {
    auto messenger_names = AskRunningMessenger({InstanceRequestKind::Names, 0}, 0);
    if (messenger_names) {
        Append(findings, CheckNames(*messenger_names, "the messenger"));
    }
    // Asked while our names are held, so that the server knows them.
    auto ask_name_servers = [&] {
        for (uint32_t server : config.name_servers) {
            findings.push_back(CheckNameServer(config, server));
        }
    };
    NetworkMailslotSystem mailslots(config);
    MailslotCreateError error{};
    auto slot = mailslots.Create(MakeMailslotPath(".", kMessengerSlot), 0, error);
    if (!slot) {
        if (!messenger_names) {
            // lyrnet listen, or a messenger not asked: the network tells who answers.
            findings.push_back(CheckNameAnswer(config));
        }
        ask_name_servers();
        const std::string why =
            error == MailslotCreateError::AlreadyExists
                ? "a messenger or lyrnet listen receives on this computer"
                : "the mailslot \"" + std::string(kMessengerSlot) + "\" cannot be created here";
        findings.push_back({Verdict::Unknown, "delivery",
                            "not tried: " + why + ", and a test datagram would reach it"});
        return;
    }
    auto status = mailslots.JoinNetwork(netbios::ServiceMode::Owner);
    if (status.network_owner) {
        auto& service = mailslots.Network()->Service();
        service.WaitForRegistration(service.LongestRegistration());
        Append(findings, CheckNames(NamesJson(service.Names()), "lyrnet doctor"));
    } else {
        findings.push_back({Verdict::Problem, "names", "not registered: " + status.problem});
    }
    ask_name_servers();
    findings.push_back(CheckDelivery(config, interfaces, *slot));
}

const char* VerdictWord(Verdict verdict) {
    switch (verdict) {
        case Verdict::Ok:
            return "ok";
        case Verdict::Problem:
            return "problem";
        case Verdict::Unknown:
            break;
    }
    return "unknown";
}

}  // namespace

int RunDoctor(const std::vector<std::string>& words) {
    Arguments arguments(words, {}, {"json"});
    if (!arguments.Positional().empty()) {
        throw UsageError("takes no arguments");
    }
    auto config = MakeNetbiosServiceConfig(netbios::ServiceMode::Owner);
    config.announce = false;  // a look at the network, not a stay on it
    const std::vector<NeededPort> ports = {{false, config.name_service_port},
                                           {false, config.datagram_port},
                                           {true, config.session.port}};
    const auto interfaces = netbios::ListIpv4Interfaces();

    std::vector<Finding> findings = CheckInterfaces(interfaces);
    findings.push_back(CheckMessenger());
    // Who holds the ports is looked at before this process may take them.
    for (const auto& port : ports) {
        findings.push_back(CheckPort(port));
    }
    Append(findings, CheckFirewall(ports));
    CheckReceiving(config, interfaces, findings);

    bool all_well = true;
    for (const auto& finding : findings) {
        all_well = all_well && finding.verdict != Verdict::Problem;
    }
    if (arguments.Has("json")) {
        nlohmann::ordered_json report;
        report["ok"] = all_well;
        report["computer"] = config.computer_name;
        report["workgroup"] = config.workgroup;
        report["checks"] = nlohmann::ordered_json::array();
        for (const auto& finding : findings) {
            report["checks"].push_back({{"topic", finding.topic},
                                        {"verdict", VerdictWord(finding.verdict)},
                                        {"text", finding.text}});
        }
        PrintJsonLine(report);
    } else {
        std::printf("%s of workgroup %s\n", ForTerminal(config.computer_name).c_str(),
                    ForTerminal(config.workgroup).c_str());
        for (const auto& finding : findings) {
            std::printf("%-8s %-12s %s\n", VerdictWord(finding.verdict), finding.topic.c_str(),
                        ForTerminal(finding.text).c_str());
        }
        std::printf(all_well ? "All is well: this computer can receive and send messages.\n"
                             : "Not all is well: see the lines marked \"problem\".\n");
    }
    return all_well ? 0 : 1;
}

}  // namespace lyr::cli
