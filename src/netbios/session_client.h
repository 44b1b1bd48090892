// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "netbios/session_packet.h"

namespace lyr::netbios {

// Sending one popup message over the NetBIOS session service, as Windows' messenger sends to a
// single computer: a session to its NAME<03>, a negotiation (for receivers that insist on
// one), then SMB_COM_SEND_MESSAGE for a text of one
// block, else the start, text blocks of 128 bytes and end commands. Blocking, bounded by
// `timeout` for each step.
struct SessionSend {
    uint32_t address = 0;  // host byte order
    uint16_t port = 139;
    NetbiosName called;
    NetbiosName calling;
    std::string scope;
    std::string originator;   // OEM, at most kMaxSmbName bytes are sent
    std::string destination;  // likewise
    std::string text;         // OEM; cut to kMaxSessionMessageText
    std::chrono::milliseconds timeout{5000};
};

enum class SessionSendResult {
    Sent,
    NoConnection,  // nobody listens there, or the connection could not be made in time
    Refused,       // the session request was refused; `code` holds the reason
    Rejected,      // an SMB command was answered with an error; `code` holds its status
    Broken,        // the peer hung up or answered what no receiver answers
};
struct SessionSendOutcome {
    SessionSendResult result = SessionSendResult::Broken;
    uint32_t code = 0;
    // For people: what went wrong, empty when sent.
    std::string Explain() const;
};

SessionSendOutcome SendSessionMessage(const SessionSend& send);

}  // namespace lyr::netbios
