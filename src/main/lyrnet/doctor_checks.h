// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

#include "main/lyrnet/firewall_rules.h"
#include "netbios/netbios_service.h"
#include "platform/mailslot.h"

namespace lyr::cli {

// One thing `lyrnet doctor` found, in plain words.
struct Finding {
    enum class Verdict { Ok, Problem, Unknown };
    Verdict verdict = Verdict::Ok;
    std::string topic;  // "interfaces", "UDP 138", "names", ...
    std::string text;
};

// The IPv4 interfaces, each with its broadcast address; a problem when none carries broadcasts.
std::vector<Finding> CheckInterfaces(const std::vector<netbios::Ipv4Interface>& interfaces);
// Who holds a port: a process of ours, another program, another user, or nobody.
Finding CheckPort(const NeededPort& port);
// Whether this user's messenger runs, and in which state.
Finding CheckMessenger();
// Names as `lyrnet names` lists them (its JSON), as `holder` (the messenger, lyrnet doctor) holds
// them.
std::vector<Finding> CheckNames(const std::string& names_json, const std::string& holder);
// Who answers a broadcast name query for our COMPUTER<03>: this computer, another, or nobody.
Finding CheckNameAnswer(const netbios::ServiceConfig& config);
// Whether the name server at `server` answers a name query for our COMPUTER<00>.
Finding CheckNameServer(const netbios::ServiceConfig& config, uint32_t server);
// The rules of nftables, else of iptables, that drop or reject the needed ports.
std::vector<Finding> CheckFirewall(const std::vector<NeededPort>& ports);
// Sends a messenger datagram to COMPUTER<03> at the address of the first interface that carries
// broadcasts, from another socket, and waits for it on `slot` (this process's "messngr").
Finding CheckDelivery(const netbios::ServiceConfig& config,
                      const std::vector<netbios::Ipv4Interface>& interfaces,
                      MailslotReceiver& slot);

}  // namespace lyr::cli
