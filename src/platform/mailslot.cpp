// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/mailslot.h"

#include <algorithm>

#include "base/ascii_case.h"

namespace lyr {

std::optional<MailslotPath> ParseMailslotPath(std::string_view name) {
    constexpr std::string_view kMailslotWord = "mailslot";
    if (name.size() < 2 || name[0] != '\\' || name[1] != '\\') {
        return std::nullopt;
    }
    name.remove_prefix(2);
    auto server_end = name.find('\\');
    if (server_end == 0 || server_end == std::string_view::npos) {
        return std::nullopt;
    }
    std::string_view server = name.substr(0, server_end);
    name.remove_prefix(server_end + 1);
    if (name.size() < kMailslotWord.size() + 2 ||
        !EqualsIgnoringCase(name.substr(0, kMailslotWord.size()), kMailslotWord) ||
        name[kMailslotWord.size()] != '\\') {
        return std::nullopt;
    }
    return MailslotPath{std::string(server), std::string(name.substr(kMailslotWord.size() + 1))};
}

std::string MakeMailslotPath(std::string_view server, std::string_view slot) {
    std::string path = "\\\\";
    path += server;
    path += "\\mailslot\\";
    path += slot;
    return path;
}

std::vector<std::string> MailslotReceiver::ReadWaiting(size_t most) {
    std::vector<std::string> messages;
    while (messages.size() < most) {
        auto info = Info();
        if (!info || info->message_count == 0) {
            break;
        }
        std::string message(info->next_size, '\0');
        auto read = Read(message);
        if (!read) {
            break;
        }
        message.resize(std::min(message.size(), *read));
        messages.push_back(std::move(message));
    }
    return messages;
}

}  // namespace lyr
