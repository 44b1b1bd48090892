// SPDX-License-Identifier: GPL-3.0-or-later
#include "main/lyrnet/neighbourhood.h"

#include <cstdio>

#include "main/lyrnet/terminal_text.h"
#include "platform/codepage.h"

namespace lyr::cli {
namespace {

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
