// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace lyr::test {

// A plain UDP socket playing another NetBIOS node in tests. Addresses in host byte order.
class UdpPeer {
public:
    explicit UdpPeer(uint32_t address = 0x7F000002, uint16_t port = 0);  // 127.0.0.2
    ~UdpPeer();
    UdpPeer(const UdpPeer&) = delete;
    UdpPeer& operator=(const UdpPeer&) = delete;

    bool Send(std::string_view bytes, uint32_t address, uint16_t port);
    struct Packet {
        std::string bytes;
        uint32_t source = 0;
        uint16_t source_port = 0;
    };
    std::optional<Packet> Receive(std::chrono::milliseconds timeout);
    uint16_t Port() const { return port_; }
    int Fd() const { return fd_; }

private:
    int fd_ = -1;
    uint16_t port_ = 0;
};

// A UDP port that nothing on this computer uses right now, and the port after it as well.
uint16_t FreePortPair();

}  // namespace lyr::test
