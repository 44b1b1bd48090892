// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lyr::cli {

// A port the messenger needs to receive on.
struct NeededPort {
    bool tcp = false;
    uint16_t port = 0;
};
std::string PortText(const NeededPort& port);  // "UDP 138"

// What a firewall's rules do to the needed ports, one sentence each: rules that drop or reject
// one of them (`blocking`), and chains of incoming packets that drop whatever no rule accepts,
// by their policy or a last rule without conditions (`dropping_chains`); their accept rules,
// often spread over other chains, are not followed here.
struct FirewallFindings {
    std::vector<std::string> blocking;
    std::vector<std::string> dropping_chains;
};

// From the output of `nft -j list ruleset`; nothing for text that is not its JSON.
std::optional<FirewallFindings> ReadNftRuleset(std::string_view json,
                                               const std::vector<NeededPort>& ports);
// From the output of `iptables-save`.
FirewallFindings ReadIptablesRules(std::string_view text, const std::vector<NeededPort>& ports);

}  // namespace lyr::cli
