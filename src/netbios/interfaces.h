// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace lyr::netbios {

// An IPv4 address of this computer. Addresses are in host byte order.
struct Ipv4Interface {
    std::string name;  // "eth0"
    uint32_t address = 0;
    uint32_t netmask = 0;
    uint32_t broadcast = 0;  // 0 when the interface has none
    bool loopback = false;

    // Broadcasts go out on every interface that has a broadcast address, loopback aside.
    bool CarriesBroadcasts() const { return !loopback && broadcast != 0; }
    bool Contains(uint32_t other) const { return (other & netmask) == (address & netmask); }
};

// The IPv4 interfaces that are up, from getifaddrs.
std::vector<Ipv4Interface> ListIpv4Interfaces();

// The address of ours that a peer at `peer` reaches us by: the interface on its subnet, else the
// first one that carries broadcasts, else the first one.
std::optional<uint32_t> AddressFacing(const std::vector<Ipv4Interface>& interfaces, uint32_t peer);

std::string FormatAddress(uint32_t address);
std::optional<uint32_t> ParseAddress(const std::string& text);

}  // namespace lyr::netbios
