// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "netbios/session_packet.h"

namespace lyr::netbios {

// A popup message that arrived over the session service.
struct SessionMessage {
    std::string sender;       // SessionSenderName: originator, "(CALLING)" when they differ
    std::string destination;  // as the sender wrote it
    std::string text;         // OEM code page, as sent, blocks joined in order
    NetbiosName calling;
};

// Windows' messenger takes about 1600 bytes of text in one multi-block message; smbclient
// sends at most that much too. Longer texts are refused with "no room".
inline constexpr size_t kMaxSessionMessageText = 1600;
// The largest session packet a message sender needs (a session request with long scopes, an
// SMB with a 128-byte block); anything beyond it ends the connection.
inline constexpr uint32_t kMaxSessionPayload = 4096;

// The receiving side of one session connection, without sockets: it is handed whole session
// packets and says what to answer, whether to hang up, and which message arrived.
class SessionConversation {
public:
    struct Settings {
        std::string computer_name;  // NetBIOS form
        std::string scope;
        // Whether COMPUTER<03> (or whatever is called) is a name we answer for now.
        std::function<bool(const NetbiosName&)> holds_name;
    };
    struct Step {
        std::string reply;  // bytes to send back, possibly none
        bool close = false;
        std::optional<SessionMessage> message;
        // The length of a message refused as longer than kMaxSessionMessageText; 0 when none was.
        size_t refused_length = 0;
    };

    explicit SessionConversation(Settings settings);

    Step OnPacket(const SessionHeader& header, std::string_view payload);
    bool Established() const { return established_; }

private:
    Step OnSessionRequest(std::string_view payload);
    Step OnSmb(std::string_view smb);
    std::string Reply(const SmbFrame& request, SmbError error, std::string_view words = {});
    bool IsOurDestination(std::string_view destination) const;

    Settings settings_;
    bool established_ = false;
    NetbiosName calling_;
    // The multi-block message being received.
    std::optional<SmbMessageNames> pending_;
    std::string pending_text_;
    uint16_t group_ = 0;
};

}  // namespace lyr::netbios
