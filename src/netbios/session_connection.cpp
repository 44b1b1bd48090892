// SPDX-License-Identifier: GPL-3.0-or-later
#include "netbios/session_connection.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>

namespace lyr::netbios {

SessionConnection::SessionConnection(uint32_t address, uint16_t port,
                                     std::chrono::milliseconds timeout, uint32_t max_payload)
    : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0)),
      timeout_(timeout),
      max_payload_(max_payload) {
    if (!fd_) {
        return;
    }
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_addr.s_addr = htonl(address);
    target.sin_port = htons(port);
    if (::connect(fd_.get(), reinterpret_cast<sockaddr*>(&target), sizeof target) == 0) {
        connected_ = true;
    } else if (errno == EINPROGRESS && Wait(POLLOUT)) {
        int error = 0;
        socklen_t length = sizeof error;
        connected_ =
            ::getsockopt(fd_.get(), SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
    }
}

bool SessionConnection::Send(std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t sent = ::send(fd_.get(), bytes.data(), bytes.size(), MSG_NOSIGNAL);
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

std::optional<std::pair<SessionHeader, std::string>> SessionConnection::Receive() {
    for (;;) {
        std::string header_bytes;
        if (!Read(kSessionHeaderSize, header_bytes)) {
            return std::nullopt;
        }
        auto header = ParseSessionHeader(header_bytes);
        std::string payload;
        if (!header || header->length > max_payload_ || !Read(header->length, payload)) {
            return std::nullopt;
        }
        if (header->type != static_cast<uint8_t>(SessionType::KeepAlive)) {
            return std::make_pair(*header, std::move(payload));
        }
    }
}

bool SessionConnection::Wait(short events) {
    pollfd entry{fd_.get(), events, 0};
    int ready;
    do {
        ready = ::poll(&entry, 1, static_cast<int>(timeout_.count()));
    } while (ready < 0 && errno == EINTR);
    return ready == 1 && (entry.revents & (events | POLLHUP | POLLERR));
}

bool SessionConnection::Read(size_t count, std::string& into) {
    while (into.size() < count) {
        char buffer[4096];
        ssize_t got = ::recv(fd_.get(), buffer, std::min(sizeof buffer, count - into.size()), 0);
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

std::optional<std::string> ExchangeSmbBytes(SessionConnection& connection,
                                            const SmbFrame& request) {
    auto smb = BuildSmb(request);
    auto packet = smb ? BuildSessionPacket(SessionType::Message, *smb) : std::nullopt;
    if (!packet || !connection.Send(*packet)) {
        return std::nullopt;
    }
    auto answer = connection.Receive();
    if (!answer || answer->first.type != static_cast<uint8_t>(SessionType::Message)) {
        return std::nullopt;
    }
    return std::move(answer->second);
}

std::optional<SmbFrame> ExchangeSmb(SessionConnection& connection, const SmbFrame& request) {
    auto bytes = ExchangeSmbBytes(connection, request);
    auto reply = bytes ? ParseSmb(*bytes) : std::nullopt;
    if (!reply || reply->command != request.command || !(reply->flags & kSmbFlagsReply)) {
        return std::nullopt;
    }
    return reply;
}

}  // namespace lyr::netbios
