// SPDX-License-Identifier: GPL-3.0-or-later
#include "main/lyrnet/doctor_checks.h"

#include <future>
#include <nlohmann/json.hpp>
#include <random>

#include "netbios/mailslot_write.h"
#include "transport/messenger_datagram.h"

// The checks that ask the network: our names, the name servers, a datagram to ourselves.
namespace lyr::cli {

using Verdict = Finding::Verdict;

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
    // Our own service would answer for our names there, and a name server of this computer
    // would hold the port the messenger needs.
    bool this_computer = (server >> 24) == 127;
    for (const auto& interface : netbios::ListIpv4Interfaces()) {
        this_computer = this_computer || interface.address == server;
    }
    if (this_computer) {
        return {Verdict::Problem, topic,
                "is this computer: a name server here holds UDP 137, which the messenger needs; "
                "name one on another computer"};
    }
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
        netbios::MailslotNameOf(kMessengerSlot),
        BuildMessengerDatagram(
            {.sender = "LYRNET-DOCTOR", .receiver = config.computer_name, .text = text}));
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
