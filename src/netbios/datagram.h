// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "netbios/netbios_name.h"

namespace lyr::netbios {

// The datagram service (UDP 138) packets this program sends or reads.
enum class DatagramType : uint8_t {
    DirectUnique = 0x10,
    DirectGroup = 0x11,
    Broadcast = 0x12,
    Error = 0x13,
};

// FLAGS: first fragment, no more fragments, sent by a B node.
inline constexpr uint8_t kDatagramFlagsWhole = 0x02;
// The source node type bits of an H node (a B node leaves them 0).
inline constexpr uint8_t kDatagramSourceHybrid = 0x0C;
inline constexpr uint8_t kDatagramFlagMore = 0x01;
inline constexpr uint8_t kDatagramFlagFirst = 0x02;
inline constexpr size_t kDatagramHeaderLength = 14;

// A DIRECT_UNIQUE, DIRECT_GROUP or BROADCAST datagram.
struct Datagram {
    DatagramType type = DatagramType::DirectUnique;
    uint8_t flags = kDatagramFlagsWhole;
    uint16_t id = 0;
    uint32_t source_ip = 0;  // host byte order
    uint16_t source_port = 138;
    uint16_t packet_offset = 0;
    NetbiosName source;
    NetbiosName destination;
    std::string scope;  // the same for both names
    std::string user_data;

    // Part of a datagram that was split: this program neither sends nor joins those.
    bool IsFragment() const {
        return (flags & kDatagramFlagMore) || !(flags & kDatagramFlagFirst) || packet_offset != 0;
    }
    bool operator==(const Datagram&) const = default;
};

// Nothing when the scope cannot be encoded or the datagram would not fit its length field.
std::optional<std::string> BuildDatagram(const Datagram& datagram);
// The same with `user_data` in the place of the datagram's own: a sender's data is not copied
// into a Datagram first.
std::optional<std::string> BuildDatagram(const Datagram& datagram, std::string_view user_data);
// Nothing for anything that is not a whole, well-formed data datagram of the three kinds.
std::optional<Datagram> ParseDatagram(std::string_view packet);

// Error codes of a DATAGRAM ERROR.
inline constexpr uint8_t kDatagramErrorNameNotPresent = 0x82;
inline constexpr uint8_t kDatagramErrorBadSourceName = 0x83;
inline constexpr uint8_t kDatagramErrorBadDestinationName = 0x84;

struct DatagramError {
    uint8_t flags = 0;
    uint16_t id = 0;
    uint32_t source_ip = 0;
    uint16_t source_port = 138;
    uint8_t error_code = kDatagramErrorNameNotPresent;
    bool operator==(const DatagramError&) const = default;
};

std::string BuildDatagramError(const DatagramError& error);
std::optional<DatagramError> ParseDatagramError(std::string_view packet);

}  // namespace lyr::netbios
