// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "base/unique_fd.h"
#include "netbios/session_packet.h"

namespace lyr::netbios {

// A blocking exchange of whole session packets over one TCP connection, each step bounded by
// `timeout`. Packets longer than `max_payload` end the exchange, so a peer cannot make us hold
// more than that.
class SessionConnection {
public:
    SessionConnection(uint32_t address, uint16_t port, std::chrono::milliseconds timeout,
                      uint32_t max_payload);
    SessionConnection(const SessionConnection&) = delete;
    SessionConnection& operator=(const SessionConnection&) = delete;

    bool Connected() const { return connected_; }
    bool Send(std::string_view bytes);
    // The next packet that is not a keep-alive; nothing on a time-out, hang-up or nonsense.
    std::optional<std::pair<SessionHeader, std::string>> Receive();

private:
    bool Wait(short events);
    bool Read(size_t count, std::string& into);

    UniqueFd fd_;
    std::chrono::milliseconds timeout_;
    uint32_t max_payload_;
    bool connected_ = false;
};

// Sends one SMB in a session message and reads the answer to it: nothing when the session
// breaks, or what comes back is no reply to that command.
std::optional<SmbFrame> ExchangeSmb(SessionConnection& connection, const SmbFrame& request);
// The same with the answer's raw bytes, for commands whose replies are parsed further.
std::optional<std::string> ExchangeSmbBytes(SessionConnection& connection, const SmbFrame& request);

}  // namespace lyr::netbios
