// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>

#include "netbios/session_conversation.h"

namespace lyr::netbios {

struct SessionLimits {
    uint16_t port = 139;  // 0: any free port (tests)
    size_t max_connections = 64;
    size_t max_connections_per_address = 8;
    // From the connection to a whole SESSION REQUEST, and for any packet begun but not finished
    // or any answer the peer does not take: a stalled or silent peer is cut off after it.
    std::chrono::milliseconds stall_timeout{10000};
    // Between whole packets of an established session: smbclient connects first and then waits
    // for its user to type the message.
    std::chrono::milliseconds idle_timeout{300000};
    // The longest any connection stays.
    std::chrono::milliseconds lifetime{600000};
};

using SessionMessageReceiver = std::function<void(SessionMessage message)>;
// Told of a message refused for its size (`length` bytes, at least) from the peer at `address`.
using SessionRefusalListener = std::function<void(uint32_t address, size_t length)>;

// Listens on TCP for NetBIOS sessions that carry SMB message commands, on one thread of its own
// (non-blocking sockets, poll). Each connection is bounded in size and time; connections beyond
// the limits are refused with "insufficient resources". A message is handed to the receiver on
// that thread, in arrival order; the receiver must not block for long. So is each refusal of a
// message too long to take (its text beyond kMaxSessionMessageText, or a packet beyond
// kMaxSessionPayload, which ends the connection) to `refused`.
class SessionListener {
public:
    // Binds at once; Listening() says whether it could, Problem() why not (for people).
    SessionListener(SessionLimits limits, SessionConversation::Settings settings,
                    SessionMessageReceiver receiver, SessionRefusalListener refused = {});
    ~SessionListener();
    SessionListener(const SessionListener&) = delete;
    SessionListener& operator=(const SessionListener&) = delete;

    bool Listening() const { return listen_fd_ >= 0; }
    int ErrorNumber() const { return error_number_; }
    const std::string& Problem() const { return problem_; }
    uint16_t Port() const { return port_; }

private:
    struct Connection;
    void Run();

    const SessionLimits limits_;
    const SessionConversation::Settings settings_;
    const SessionMessageReceiver receiver_;
    const SessionRefusalListener refused_;
    int listen_fd_ = -1;
    int wake_fd_ = -1;
    int error_number_ = 0;
    std::string problem_;
    uint16_t port_ = 0;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

}  // namespace lyr::netbios
