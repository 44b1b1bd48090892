// SPDX-License-Identifier: GPL-3.0-or-later
#include "netbios/session_client.h"

#include <cstdio>
#include <optional>

#include "netbios/byte_io.h"
#include "netbios/session_connection.h"
#include "netbios/session_conversation.h"

namespace lyr::netbios {
std::string SessionSendOutcome::Explain() const {
    char code_text[16];
    std::snprintf(code_text, sizeof code_text, "0x%08X", code);
    switch (result) {
        case SessionSendResult::Sent:
            return {};
        case SessionSendResult::NoConnection:
            return "no connection to the NetBIOS session service of that computer (nothing "
                   "listens on its TCP port 139, or it did not answer in time)";
        case SessionSendResult::Refused:
            if (code == kCalledNameNotPresent) {
                return "that computer refused the session: it holds no messenger name of that "
                       "name (called name not present)";
            }
            return "that computer refused the session (error " + std::to_string(code) + ")";
        case SessionSendResult::Rejected:
            if (code == kSmbNotReceiving.Status()) {
                return "that computer does not take messages for that name (ERRSRV ERRmsgoff)";
            }
            if (code == kSmbNoRoom.Status()) {
                return "that computer has no room for the message (ERRSRV ERRnoroom)";
            }
            return std::string("that computer refused the message (status ") + code_text + ")";
        case SessionSendResult::Broken:
            break;
    }
    return "the session broke off before the message was taken";
}

SessionSendOutcome SendSessionMessage(const SessionSend& send) {
    SessionConnection connection(send.address, send.port, send.timeout, kMaxSessionPayload);
    if (!connection.Connected()) {
        return {SessionSendResult::NoConnection};
    }
    auto request = BuildSessionRequest({{send.called, send.scope}, {send.calling, send.scope}});
    if (!request || !connection.Send(*request)) {
        return {SessionSendResult::Broken};
    }
    auto answer = connection.Receive();
    if (!answer) {
        return {SessionSendResult::Broken};
    }
    if (answer->first.type == static_cast<uint8_t>(SessionType::Negative)) {
        return {SessionSendResult::Refused,
                answer->second.empty() ? 0u : static_cast<uint8_t>(answer->second[0])};
    }
    if (answer->first.type != static_cast<uint8_t>(SessionType::Positive)) {
        return {SessionSendResult::Broken};
    }
    // Whatever the answer to the negotiation, success or "unknown command" (from receivers that
    // take the message commands alone), the messages follow; only a broken session ends here.
    if (!ExchangeSmb(connection, MakeNegotiate())) {
        return {SessionSendResult::Broken};
    }
    SmbMessageNames names{send.originator.substr(0, kMaxSmbName),
                          send.destination.substr(0, kMaxSmbName)};
    std::string_view text = std::string_view(send.text).substr(0, kMaxSessionMessageText);
    auto check = [](const std::optional<SmbFrame>& reply) -> std::optional<SessionSendOutcome> {
        if (!reply) {
            return SessionSendOutcome{SessionSendResult::Broken};
        }
        if (reply->status != 0) {
            return SessionSendOutcome{SessionSendResult::Rejected, reply->status};
        }
        return std::nullopt;
    };
    if (text.size() <= kMaxSmbTextBlock) {
        if (auto failed = check(ExchangeSmb(connection, MakeSendMessage(names, text)))) {
            return *failed;
        }
        return {SessionSendResult::Sent};
    }
    auto started = ExchangeSmb(connection, MakeSendStart(names));
    if (auto failed = check(started)) {
        return *failed;
    }
    // Samba's smbd answers the start without the group id: then the group is 0.
    uint16_t group = started->words.size() >= 2 ? ByteReader(started->words).U16LE() : 0;
    for (size_t at = 0; at < text.size(); at += kMaxSmbTextBlock) {
        if (auto failed = check(
                ExchangeSmb(connection, MakeSendText(group, text.substr(at, kMaxSmbTextBlock))))) {
            return *failed;
        }
    }
    if (auto failed = check(ExchangeSmb(connection, MakeSendEnd(group)))) {
        return *failed;
    }
    return {SessionSendResult::Sent};
}

}  // namespace lyr::netbios
