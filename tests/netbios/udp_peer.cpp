// SPDX-License-Identifier: GPL-3.0-or-later
#include "netbios/udp_peer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <random>
#include <stdexcept>

namespace lyr::test {
namespace {

sockaddr_in Address(uint32_t address, uint16_t port) {
    sockaddr_in result{};
    result.sin_family = AF_INET;
    result.sin_addr.s_addr = htonl(address);
    result.sin_port = htons(port);
    return result;
}

bool CanBind(uint16_t port) {
    int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address = Address(INADDR_ANY, port);
    bool ok = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return ok;
}

}  // namespace

UdpPeer::UdpPeer(uint32_t address, uint16_t port) {
    fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    int on = 1;
    ::setsockopt(fd_, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    int buffer = 8 << 20;
    ::setsockopt(fd_, SOL_SOCKET, SO_RCVBUFFORCE, &buffer, sizeof buffer);
    sockaddr_in local = Address(address, port);
    if (::bind(fd_, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        throw std::runtime_error("UdpPeer: cannot bind");
    }
    socklen_t length = sizeof local;
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&local), &length);
    port_ = ntohs(local.sin_port);
}

UdpPeer::~UdpPeer() {
    ::close(fd_);
}

bool UdpPeer::Send(std::string_view bytes, uint32_t address, uint16_t port) {
    sockaddr_in target = Address(address, port);
    return ::sendto(fd_, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&target),
                    sizeof target) == static_cast<ssize_t>(bytes.size());
}

std::optional<UdpPeer::Packet> UdpPeer::Receive(std::chrono::milliseconds timeout) {
    pollfd entry{fd_, POLLIN, 0};
    if (::poll(&entry, 1, static_cast<int>(timeout.count())) != 1) {
        return std::nullopt;
    }
    Packet packet;
    packet.bytes.resize(65536);
    sockaddr_in from{};
    socklen_t length = sizeof from;
    ssize_t size = ::recvfrom(fd_, packet.bytes.data(), packet.bytes.size(), 0,
                              reinterpret_cast<sockaddr*>(&from), &length);
    if (size < 0) {
        return std::nullopt;
    }
    packet.bytes.resize(static_cast<size_t>(size));
    packet.source = ntohl(from.sin_addr.s_addr);
    packet.source_port = ntohs(from.sin_port);
    return packet;
}

uint16_t FreePortPair() {
    std::mt19937 random(std::random_device{}());
    for (;;) {
        uint16_t port = static_cast<uint16_t>(20000 + random() % 40000);
        if (CanBind(port) && CanBind(static_cast<uint16_t>(port + 1))) {
            return port;
        }
    }
}

}  // namespace lyr::test
