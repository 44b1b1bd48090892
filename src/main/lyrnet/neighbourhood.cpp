// SPDX-License-Identifier: GPL-3.0-or-later
#include "main/lyrnet/neighbourhood.h"

#include <cstdio>

#include "base/text.h"
#include "contacts/user_data.h"
#include "main/lyrnet/terminal_text.h"
#include "platform/codepage.h"

namespace lyr::cli {
namespace {

constexpr std::uint32_t kRecordsPerCall = 100;

// Every record of one container, or none when it cannot be opened.
std::vector<NetResource> RecordsOf(NetworkEnumerator& enumerator, const NetResource* container) {
    std::vector<NetResource> all;
    NetworkEnumerator::Handle handle = 0;
    if (enumerator.OpenEnum(kResourceGlobalNet, kResourceTypeAny, 0, container, handle) !=
        kNoError) {
        return all;
    }
    std::vector<NetResource> records;
    while (enumerator.EnumResource(handle, kRecordsPerCall, records) == kNoError) {
        all.insert(all.end(), records.begin(), records.end());
    }
    enumerator.CloseEnum(handle);
    return all;
}

std::string StateText(const netbios::HeldName& name) {
    switch (name.state) {
        case netbios::NameState::Registering:
            // A refused name is tried again now and then.
            return name.refused_by == 0 ? "registering"
                                        : "registering again, refused by " +
                                              netbios::FormatAddress(name.refused_by) + " before";
        case netbios::NameState::Registered:
            return "registered";
        case netbios::NameState::Conflict:
            return (name.refused_by_name_server ? "taken away by the name server "
                                                : "conflict with ") +
                   netbios::FormatAddress(name.refused_by);
        case netbios::NameState::Refused:
            return (name.refused_by_name_server ? "refused by the name server " : "refused by ") +
                   netbios::FormatAddress(name.refused_by);
    }
    return {};
}

std::optional<nlohmann::ordered_json> ArrayOf(const std::string& line) {
    auto value = nlohmann::ordered_json::parse(line, nullptr, false);
    if (!value.is_array())
        return std::nullopt;
    for (const auto& entry : value) {
        if (!entry.is_object())
            return std::nullopt;
    }
    return value;
}

std::string Text(const nlohmann::ordered_json& entry, const char* key) {
    auto field = entry.find(key);
    return field != entry.end() && field->is_string() ? field->get<std::string>() : std::string();
}

}  // namespace

std::optional<std::string> AskRunningMessenger(const InstanceRequest& request, int wait_seconds) {
    constexpr size_t kLongestAnswer = 1 << 20;
    const std::string socket_path = InstanceSocketPath();
    if (socket_path.empty())
        return std::nullopt;
    return AskRunningCopyForText(socket_path, request, kLongestAnswer, (wait_seconds + 5) * 1000);
}

std::string NeighbourhoodJson(NetworkEnumerator& enumerator) {
    std::vector<TUserData> entries;
    for (const auto& group : RecordsOf(enumerator, nullptr)) {
        if (group.DisplayType != kResourceDisplayTypeDomain) {
            continue;
        }
        const std::string group_name(WithoutLeadingBackslashes(group.RemoteName));
        entries.push_back({group_name, group_name, 0, TUserData::kGroup, false});
        for (const auto& computer : RecordsOf(enumerator, &group)) {
            if (computer.DisplayType == kResourceDisplayTypeServer) {
                entries.push_back({std::string(WithoutLeadingBackslashes(computer.RemoteName)),
                                   group_name, 0, TUserData::kComputer, false});
            }
        }
    }
    SortBySortKey(entries);
    nlohmann::ordered_json array = nlohmann::ordered_json::array();
    for (const TUserData& entry : entries) {
        nlohmann::ordered_json object;
        object["kind"] = entry.Kind == TUserData::kGroup ? "group" : "computer";
        object["name"] = AnsiToUtf8(entry.Name);
        object["group"] = AnsiToUtf8(entry.Group);
        array.push_back(std::move(object));
    }
    return array.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

std::string NamesJson(const std::vector<netbios::HeldName>& names) {
    nlohmann::ordered_json array = nlohmann::ordered_json::array();
    for (const auto& name : names) {
        nlohmann::ordered_json object;
        object["name"] = name.name.ToString();
        object["kind"] = name.group ? "group" : "unique";
        object["state"] = StateText(name);
        object["registered"] = name.state == netbios::NameState::Registered;
        array.push_back(std::move(object));
    }
    return array.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

bool PrintNeighbourhood(const std::string& json_line, bool json) {
    auto entries = ArrayOf(json_line);
    if (!entries)
        return false;
    for (const auto& entry : *entries) {
        if (json) {
            PrintJsonLine(entry);
        } else {
            const bool group = Text(entry, "kind") == "group";
            std::printf("%s%s\n", group ? "" : "    ",
                        ForTerminal(Utf8ToAnsi(Text(entry, "name"))).c_str());
        }
    }
    std::fflush(stdout);
    return true;
}

std::optional<bool> PrintNames(const std::string& json_line) {
    auto names = ArrayOf(json_line);
    if (!names)
        return std::nullopt;
    bool all_registered = true;
    for (const auto& name : *names) {
        std::printf("%-20s %-6s %s\n", ForTerminal(Text(name, "name")).c_str(),
                    Text(name, "kind").c_str(), Text(name, "state").c_str());
        auto registered = name.find("registered");
        all_registered = all_registered && registered != name.end() && registered->is_boolean() &&
                         registered->get<bool>();
    }
    std::fflush(stdout);
    return all_registered;
}

}  // namespace lyr::cli
