// SPDX-License-Identifier: GPL-3.0-or-later
#include "netbios/session_client.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <optional>

#include "netbios/byte_io.h"
#include "netbios/session_conversation.h"

namespace lyr::netbios {
namespace {

using Clock = std::chrono::steady_clock;

// A blocking exchange of whole session packets over one connection, each step bounded.
class Connection {
public:
    Connection(uint32_t address, uint16_t port, std::chrono::milliseconds timeout)
        : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0)), timeout_(timeout) {
        if (fd_ < 0) {
            return;
        }
        sockaddr_in target{};
        target.sin_family = AF_INET;
        target.sin_addr.s_addr = htonl(address);
        target.sin_port = htons(port);
        if (::connect(fd_, reinterpret_cast<sockaddr*>(&target), sizeof target) == 0) {
            connected_ = true;
        } else if (errno == EINPROGRESS && Wait(POLLOUT)) {
            int error = 0;
            socklen_t length = sizeof error;
            connected_ =
                ::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
        }
    }
    ~Connection() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    bool Connected() const { return connected_; }

    bool Send(std::string_view bytes) {
        while (!bytes.empty()) {
            ssize_t sent = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
            if (sent < 0 && errno == EINTR) {
                continue;
            }
            if (sent < 0 && errno == EAGAIN && Wait(POLLOUT)) {
                continue;
            }
            if (sent <= 0) {
                return false;
            }
            bytes.remove_prefix(static_cast<size_t>(sent));
        }
        return true;
    }
    // The next packet that is not a keep-alive; nothing on a time-out, hang-up or nonsense.
    std::optional<std::pair<SessionHeader, std::string>> Receive() {
        for (;;) {
            std::string header_bytes;
            if (!Read(kSessionHeaderSize, header_bytes)) {
                return std::nullopt;
            }
            auto header = ParseSessionHeader(header_bytes);
            std::string payload;
            if (!header || header->length > kMaxSessionPayload || !Read(header->length, payload)) {
                return std::nullopt;
            }
            if (header->type != static_cast<uint8_t>(SessionType::KeepAlive)) {
                return std::make_pair(*header, std::move(payload));
            }
        }
    }

private:
    bool Wait(short events) {
        pollfd entry{fd_, events, 0};
        int ready;
        do {
            ready = ::poll(&entry, 1, static_cast<int>(timeout_.count()));
        } while (ready < 0 && errno == EINTR);
        return ready == 1 && (entry.revents & (events | POLLHUP | POLLERR));
    }
    bool Read(size_t count, std::string& into) {
        while (into.size() < count) {
            char buffer[4096];
            ssize_t got = ::recv(fd_, buffer, std::min(sizeof buffer, count - into.size()), 0);
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got < 0 && errno == EAGAIN && Wait(POLLIN)) {
                continue;
            }
            if (got <= 0) {
                return false;
            }
            into.append(buffer, static_cast<size_t>(got));
        }
        return true;
    }

    int fd_;
    std::chrono::milliseconds timeout_;
    bool connected_ = false;
};

// Sends one SMB and reads its answer: the status and words, or nothing.
std::optional<SmbFrame> Exchange(Connection& connection, const SmbFrame& request) {
    auto packet = BuildSessionPacket(SessionType::Message, *BuildSmb(request));
    if (!packet || !connection.Send(*packet)) {
        return std::nullopt;
    }
    auto answer = connection.Receive();
    if (!answer || answer->first.type != static_cast<uint8_t>(SessionType::Message)) {
        return std::nullopt;
    }
    auto reply = ParseSmb(answer->second);
    if (!reply || reply->command != request.command || !(reply->flags & kSmbFlagsReply)) {
        return std::nullopt;
    }
    return reply;
}

}  // namespace

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
    Connection connection(send.address, send.port, send.timeout);
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
    if (!Exchange(connection, MakeNegotiate())) {
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
        if (auto failed = check(Exchange(connection, MakeSendMessage(names, text)))) {
            return *failed;
        }
        return {SessionSendResult::Sent};
    }
    auto started = Exchange(connection, MakeSendStart(names));
    if (auto failed = check(started)) {
        return *failed;
    }
    // Samba's smbd answers the start without the group id: then the group is 0.
    uint16_t group = started->words.size() >= 2 ? ByteReader(started->words).U16LE() : 0;
    for (size_t at = 0; at < text.size(); at += kMaxSmbTextBlock) {
        if (auto failed = check(
                Exchange(connection, MakeSendText(group, text.substr(at, kMaxSmbTextBlock))))) {
            return *failed;
        }
    }
    if (auto failed = check(Exchange(connection, MakeSendEnd(group)))) {
        return *failed;
    }
    return {SessionSendResult::Sent};
}

}  // namespace lyr::netbios
