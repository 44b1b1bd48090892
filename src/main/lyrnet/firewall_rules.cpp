// SPDX-License-Identifier: GPL-3.0-or-later
#include "main/lyrnet/firewall_rules.h"

#include <charconv>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

namespace lyr::cli {
namespace {

using Json = nlohmann::json;

// Which of the needed ports one rule's conditions let through to its verdict. A condition on
// something else (an address, an interface) may narrow the rule, but it still drops our ports
// for some peers, so it is not followed.
class RuleConditions {
public:
    explicit RuleConditions(const std::vector<NeededPort>& ports) : ports_(ports) {
        matched_.assign(ports.size(), true);
    }

    // Only `tcp` (or `udp`) packets pass the rule's condition on the protocol.
    void Protocol(bool tcp) {
        for (size_t i = 0; i < ports_.size(); ++i) {
            matched_[i] = matched_[i] && ports_[i].tcp == tcp;
        }
    }
    // `in_ports(port)` tells whether the destination port meets the condition; `protocol`
    // narrows it to TCP ("tcp") or UDP ("udp"), or not ("").
    template <typename InPorts>
    void DestinationPort(std::string_view protocol, InPorts in_ports) {
        for (size_t i = 0; i < ports_.size(); ++i) {
            const bool protocol_fits = protocol.empty() || (protocol == "tcp") == ports_[i].tcp;
            matched_[i] = matched_[i] && protocol_fits && in_ports(ports_[i].port);
        }
        ports_named_ = true;
    }

    // The needed ports the rule drops; none when it says nothing of ports (a rule for all
    // traffic is a firewall's business, not one about the messenger).
    std::string Blocked() const {
        std::string blocked;
        for (size_t i = 0; ports_named_ && i < ports_.size(); ++i) {
            if (matched_[i]) {
                blocked += (blocked.empty() ? "" : ", ") + PortText(ports_[i]);
            }
        }
        return blocked;
    }

private:
    const std::vector<NeededPort>& ports_;
    std::vector<bool> matched_;
    bool ports_named_ = false;
};

// Whether `port` is among an nft value: a number, a range, a set of them.
bool NftValueHolds(const Json& value, uint16_t port) {
    if (value.is_number_integer()) {
        return value.get<long>() == port;
    }
    if (!value.is_object()) {
        return false;
    }
    if (auto range = value.find("range"); range != value.end() && range->is_array() &&
                                          range->size() == 2 && (*range)[0].is_number_integer() &&
                                          (*range)[1].is_number_integer()) {
        return (*range)[0].get<long>() <= port && port <= (*range)[1].get<long>();
    }
    if (auto set = value.find("set"); set != value.end() && set->is_array()) {
        for (const auto& member : *set) {
            if (NftValueHolds(member, port)) {
                return true;
            }
        }
    }
    return false;
}

std::string Field(const Json& object, const char* key) {
    auto field = object.find(key);
    if (field == object.end()) {
        return {};
    }
    return field->is_string() ? field->get<std::string>() : field->dump();
}

std::string NftRuleText(const Json& rule) {
    return "nftables rule " + Field(rule, "handle") + " of chain " + Field(rule, "chain") +
           " in table " + Field(rule, "family") + " " + Field(rule, "table");
}

void ReadNftMatch(const Json& match, RuleConditions& conditions) {
    const std::string op = Field(match, "op");
    if ((op != "==" && op != "!=" && op != "in") || !match.contains("left") ||
        !match.contains("right")) {
        return;
    }
    const bool negated = op == "!=";
    const Json& left = match["left"];
    const Json& right = match["right"];
    if (auto payload = left.find("payload");
        payload != left.end() && payload->is_object() && Field(*payload, "field") == "dport") {
        std::string protocol = Field(*payload, "protocol");
        conditions.DestinationPort(protocol == "th" ? "" : protocol, [&](uint16_t port) {
            return NftValueHolds(right, port) != negated;
        });
    } else if (auto meta = left.find("meta");
               meta != left.end() && meta->is_object() && Field(*meta, "key") == "l4proto") {
        auto holds = [&](const char* name) {
            bool found = right == name ||
                         (right.is_object() && right.contains("set") && right["set"].is_array() &&
                          std::count(right["set"].begin(), right["set"].end(), Json(name)) > 0);
            return found != negated;
        };
        if (!holds("tcp")) {
            conditions.Protocol(false);
        }
        if (!holds("udp")) {
            conditions.Protocol(true);
        }
    }
}

// "--dport 138", "--dport 137:139", "--dports 137,139" of iptables-save.
bool IptablesPortsHold(std::string_view list, uint16_t port) {
    std::stringstream items{std::string(list)};
    std::string item;
    while (std::getline(items, item, ',')) {
        auto colon = item.find(':');
        std::string_view first = std::string_view(item).substr(0, colon);
        std::string_view last =
            colon == std::string::npos ? first : std::string_view(item).substr(colon + 1);
        unsigned low = 0, high = 0;
        auto [end_low, error_low] = std::from_chars(first.data(), first.data() + first.size(), low);
        auto [end_high, error_high] = std::from_chars(last.data(), last.data() + last.size(), high);
        if (error_low == std::errc() && error_high == std::errc() && low <= port && port <= high) {
            return true;
        }
    }
    return false;
}

}  // namespace

std::string PortText(const NeededPort& port) {
    return (port.tcp ? "TCP " : "UDP ") + std::to_string(port.port);
}

std::optional<FirewallFindings> ReadNftRuleset(std::string_view json,
                                               const std::vector<NeededPort>& ports) {
    FirewallFindings findings;
    const Json ruleset = Json::parse(json, nullptr, false);
    if (!ruleset.is_object() || !ruleset.contains("nftables") || !ruleset["nftables"].is_array()) {
        return std::nullopt;
    }
    // The chains that see what comes in to this computer; the list names chains before rules.
    std::set<std::string> input_chains;
    auto chain_key = [](const Json& object, const char* name_key) {
        return Field(object, "family") + " " + Field(object, "table") + " " +
               Field(object, name_key);
    };
    for (const auto& item : ruleset["nftables"]) {
        if (!item.is_object()) {
            continue;
        }
        if (auto chain = item.find("chain"); chain != item.end() && chain->is_object()) {
            if (Field(*chain, "hook") != "input") {
                continue;
            }
            input_chains.insert(chain_key(*chain, "name"));
            if (Field(*chain, "policy") == "drop") {
                findings.dropping_chains.push_back("nftables chain " + Field(*chain, "name") +
                                                   " in table " + Field(*chain, "family") + " " +
                                                   Field(*chain, "table") +
                                                   " drops whatever no rule accepts");
            }
            continue;
        }
        auto rule = item.find("rule");
        if (rule == item.end() || !rule->is_object() || !rule->contains("expr") ||
            !(*rule)["expr"].is_array()) {
            continue;
        }
        RuleConditions conditions(ports);
        const char* verdict = nullptr;
        bool conditional = false;
        for (const auto& expression : (*rule)["expr"]) {
            if (!expression.is_object()) {
                continue;
            }
            if (auto match = expression.find("match");
                match != expression.end() && match->is_object()) {
                conditional = true;
                ReadNftMatch(*match, conditions);
            }
            for (const char* ending : {"drop", "reject"}) {
                if (expression.contains(ending)) {
                    verdict = ending;
                }
            }
        }
        if (std::string blocked = conditions.Blocked(); verdict && !blocked.empty()) {
            findings.blocking.push_back(NftRuleText(*rule) + " " + verdict + "s " + blocked);
        } else if (verdict && !conditional && input_chains.count(chain_key(*rule, "chain"))) {
            // A firewall's last word: what earlier rules did not accept ends here.
            findings.dropping_chains.push_back(NftRuleText(*rule) + " " + verdict +
                                               "s whatever no rule before it accepts");
        }
    }
    return findings;
}

FirewallFindings ReadIptablesRules(std::string_view text, const std::vector<NeededPort>& ports) {
    FirewallFindings findings;
    std::stringstream lines{std::string(text)};
    std::string line;
    std::string table;
    while (std::getline(lines, line)) {
        std::stringstream words(line);
        std::vector<std::string> word;
        for (std::string each; words >> each;) {
            word.push_back(each);
        }
        if (word.empty()) {
            continue;
        }
        if (word[0][0] == '*') {
            table = word[0].substr(1);
        } else if (word[0] == ":INPUT" && word.size() > 1 && word[1] == "DROP") {
            findings.dropping_chains.push_back("iptables chain INPUT in table " + table +
                                               " drops whatever no rule accepts");
        }
        if (word[0] != "-A" || word.size() < 2) {
            continue;
        }
        RuleConditions conditions(ports);
        std::string verdict;
        for (size_t i = 1; i + 1 < word.size(); ++i) {
            const bool negated = word[i - 1] == "!";
            const std::string& value = word[i + 1];
            if (word[i] == "-p" || word[i] == "--protocol") {
                const bool tcp = value == "tcp" || value == "6";
                if (tcp || value == "udp" || value == "17") {
                    conditions.Protocol(tcp != negated);
                }
            } else if (word[i] == "--dport" || word[i] == "--dports" ||
                       word[i] == "--destination-port" || word[i] == "--destination-ports") {
                conditions.DestinationPort(
                    "", [&](uint16_t port) { return IptablesPortsHold(value, port) != negated; });
            } else if (word[i] == "-j" && (value == "DROP" || value == "REJECT")) {
                verdict = value == "DROP" ? "drops" : "rejects";
            }
        }
        const std::string rule_text = "iptables rule \"" + line + "\" (table " + table + ") ";
        if (std::string blocked = conditions.Blocked(); !verdict.empty() && !blocked.empty()) {
            findings.blocking.push_back(rule_text + verdict + " " + blocked);
        } else if (!verdict.empty() && word[1] == "INPUT" && word.size() > 2 && word[2] == "-j") {
            findings.dropping_chains.push_back(rule_text + verdict +
                                               " whatever no rule before it accepts");
        }
    }
    return findings;
}

}  // namespace lyr::cli
