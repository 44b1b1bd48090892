// SPDX-License-Identifier: GPL-3.0-or-later
#include "netbios/interfaces.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

namespace lyr::netbios {
namespace {

uint32_t HostOrder(const sockaddr* address) {
    return ntohl(reinterpret_cast<const sockaddr_in*>(address)->sin_addr.s_addr);
}

}  // namespace

std::vector<Ipv4Interface> ListIpv4Interfaces() {
    std::vector<Ipv4Interface> result;
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0) {
        return result;
    }
    for (ifaddrs* entry = list; entry; entry = entry->ifa_next) {
        if (!entry->ifa_addr || entry->ifa_addr->sa_family != AF_INET ||
            !(entry->ifa_flags & IFF_UP)) {
            continue;
        }
        Ipv4Interface interface;
        interface.name = entry->ifa_name;
        interface.address = HostOrder(entry->ifa_addr);
        interface.netmask = entry->ifa_netmask ? HostOrder(entry->ifa_netmask) : 0xFFFFFFFF;
        interface.loopback = entry->ifa_flags & IFF_LOOPBACK;
        if ((entry->ifa_flags & IFF_BROADCAST) && entry->ifa_broadaddr) {
            interface.broadcast = HostOrder(entry->ifa_broadaddr);
        }
        result.push_back(interface);
    }
    ::freeifaddrs(list);
    return result;
}

std::optional<uint32_t> AddressFacing(const std::vector<Ipv4Interface>& interfaces, uint32_t peer) {
    for (const auto& interface : interfaces) {
        if (interface.Contains(peer)) {
            return interface.address;
        }
    }
    for (const auto& interface : interfaces) {
        if (interface.CarriesBroadcasts()) {
            return interface.address;
        }
    }
    if (!interfaces.empty()) {
        return interfaces.front().address;
    }
    return std::nullopt;
}

std::string FormatAddress(uint32_t address) {
    in_addr raw{htonl(address)};
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &raw, text, sizeof text);
    return text;
}

std::optional<uint32_t> ParseAddress(const std::string& text) {
    in_addr raw{};
    if (::inet_pton(AF_INET, text.c_str(), &raw) != 1) {
        return std::nullopt;
    }
    return ntohl(raw.s_addr);
}

}  // namespace lyr::netbios
