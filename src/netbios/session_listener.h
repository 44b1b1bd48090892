// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <poll.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "base/unique_fd.h"
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

    bool Listening() const { return static_cast<bool>(listen_fd_); }
    int ErrorNumber() const { return error_number_; }
    const std::string& Problem() const { return problem_; }
    uint16_t Port() const { return port_; }

private:
    using Clock = std::chrono::steady_clock;
    struct Connection;

    // The listener's thread: waits for whichever comes first of a socket, a deadline and the
    // wake-up, and serves it, until the listener is stopped.
    void Run();
    // What the next wait watches: the wake-up, the listening socket while `accepting`, and each
    // connection in order, for its answer to go out or else for what it sends.
    void WatchList(bool accepting, std::vector<pollfd>& entries) const;
    // How long the next wait may last, in milliseconds (-1: no limit): until the next deadline
    // of a connection or the end of a pause in accepting.
    int WaitTimeout(Clock::time_point now) const;
    // Takes every waiting connection, refusing those beyond the limits.
    void AcceptAll(Clock::time_point now);
    bool HasRoomFor(uint32_t address) const;
    // Serves one connection whose socket said `revents`; false when it is to be closed (it
    // ended, failed or ran out of time).
    bool Serve(Connection& connection, short revents, Clock::time_point now);
    // Reads what has come and answers it; false when the connection ends.
    bool Read(Connection& connection, Clock::time_point now);
    // Answers every whole packet read; false when the peer sent what ends the connection.
    bool AnswerWholePackets(Connection& connection, Clock::time_point now);

    const SessionLimits limits_;
    const SessionConversation::Settings settings_;
    const SessionMessageReceiver receiver_;
    const SessionRefusalListener refused_;
    UniqueFd listen_fd_;
    UniqueFd wake_fd_;
    int error_number_ = 0;
    std::string problem_;
    uint16_t port_ = 0;
    std::atomic<bool> stopping_{false};
    // Only the thread touches these.
    std::vector<std::unique_ptr<Connection>> connections_;
    Clock::time_point accept_again_ = Clock::time_point::min();
    std::string chunk_;
    std::thread thread_;
};

}  // namespace lyr::netbios
