// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "netbios/netbios_name.h"

namespace lyr::netbios {

// Name service (UDP 137) header flags.
inline constexpr uint16_t kFlagResponse = 0x8000;
inline constexpr uint16_t kFlagAuthoritative = 0x0400;
inline constexpr uint16_t kFlagTruncated = 0x0200;
inline constexpr uint16_t kFlagRecursionDesired = 0x0100;
inline constexpr uint16_t kFlagRecursionAvailable = 0x0080;
inline constexpr uint16_t kFlagBroadcast = 0x0010;

enum class NameOpcode : uint8_t {
    Query = 0,
    Registration = 5,
    Release = 6,
    WaitForAcknowledgement = 7,
    Refresh = 8,
    RefreshAlternate = 9,  // what some name servers answer a refresh with
};

inline constexpr uint8_t kRcodeNameError = 3;
inline constexpr uint8_t kRcodeActive = 6;    // the name is owned by another node
inline constexpr uint8_t kRcodeConflict = 7;  // the name is in conflict

inline constexpr uint16_t kTypeNb = 0x0020;
inline constexpr uint16_t kTypeNbStat = 0x0021;
inline constexpr uint16_t kTypeNull = 0x000A;
inline constexpr uint16_t kClassIn = 0x0001;

// NB_FLAGS / NAME_FLAGS bits.
inline constexpr uint16_t kNameGroup = 0x8000;
inline constexpr uint16_t kNameDeregistering = 0x1000;
inline constexpr uint16_t kNameConflict = 0x0800;
inline constexpr uint16_t kNameActive = 0x0400;
inline constexpr uint16_t kNamePermanent = 0x0200;
// The owner node type bits: 0 a B node, this an H node (broadcast and a name server).
inline constexpr uint16_t kNodeTypeHybrid = 0x6000;

struct NameQuestion {
    ScopedName name;
    uint16_t type = kTypeNb;
    uint16_t record_class = kClassIn;
    bool operator==(const NameQuestion&) const = default;
};

struct ResourceRecord {
    ScopedName name;
    uint16_t type = kTypeNb;
    uint16_t record_class = kClassIn;
    uint32_t ttl = 0;
    std::string data;
    bool operator==(const ResourceRecord&) const = default;
};

struct NamePacket {
    uint16_t transaction_id = 0;
    uint16_t flags = 0;
    std::vector<NameQuestion> questions;
    std::vector<ResourceRecord> answers;
    std::vector<ResourceRecord> authority;
    std::vector<ResourceRecord> additional;

    bool IsResponse() const { return flags & kFlagResponse; }
    NameOpcode Opcode() const { return static_cast<NameOpcode>(flags >> 11 & 0x0F); }
    uint8_t Rcode() const { return flags & 0x0F; }
    bool operator==(const NamePacket&) const = default;
};

// Writes names in full, except an additional record's name that repeats the first question's,
// which becomes a pointer to offset 12 as registration and release requests require. Nothing
// for a scope that labels cannot carry.
std::optional<std::string> BuildNamePacket(const NamePacket& packet);
// Follows compression pointers; nothing for a malformed or truncated packet.
std::optional<NamePacket> ParseNamePacket(std::string_view bytes);

// One NB RDATA entry: a name's owner.
struct NameOwner {
    uint16_t flags = 0;    // kNameGroup; node type bits (0 = B node)
    uint32_t address = 0;  // host byte order
    bool IsGroup() const { return flags & kNameGroup; }
    bool operator==(const NameOwner&) const = default;
};
std::string BuildNameOwners(const std::vector<NameOwner>& owners);
std::optional<std::vector<NameOwner>> ParseNameOwners(std::string_view rdata);

// NODE STATUS RESPONSE RDATA.
struct NodeStatusEntry {
    NetbiosName name;
    uint16_t flags = kNameActive;
    bool operator==(const NodeStatusEntry&) const = default;
};
struct NodeStatus {
    std::vector<NodeStatusEntry> names;
    std::string unit_id = std::string(6, '\0');  // the adapter's MAC address, or zeros
    bool operator==(const NodeStatus&) const = default;
};
std::optional<std::string> BuildNodeStatus(const NodeStatus& status);
std::optional<NodeStatus> ParseNodeStatus(std::string_view rdata);

// The packets of a B node. Addresses are in host byte order.
NamePacket MakeNameQuery(uint16_t id, const ScopedName& name, bool broadcast);
NamePacket MakePositiveQueryResponse(uint16_t id, const ScopedName& name, uint32_t ttl,
                                     const std::vector<NameOwner>& owners);
NamePacket MakeNegativeQueryResponse(uint16_t id, const ScopedName& name);
// Broadcast to the subnet, or sent to a name server (`broadcast` false).
NamePacket MakeRegistrationRequest(uint16_t id, const ScopedName& name, NameOwner owner,
                                   uint32_t ttl, bool broadcast = true);
// Keeps a name registered at a name server before its time to live runs out.
NamePacket MakeRefreshRequest(uint16_t id, const ScopedName& name, NameOwner owner, uint32_t ttl);
// Sent once after a registration nobody refused: the name is ours now.
NamePacket MakeOverwriteDemand(uint16_t id, const ScopedName& name, NameOwner owner, uint32_t ttl);
// Defends a name: the claimant gets the record of its own request back (its flags and address);
// who holds the name it learns from where the answer comes from.
NamePacket MakeNegativeRegistrationResponse(uint16_t id, const ScopedName& name,
                                            NameOwner claimant);
NamePacket MakeReleaseRequest(uint16_t id, const ScopedName& name, NameOwner owner,
                              bool broadcast = true);
NamePacket MakeConflictDemand(uint16_t id, const ScopedName& name, NameOwner holder);
NamePacket MakeNodeStatusRequest(uint16_t id, const ScopedName& name);
// Nothing when the names do not fit the response.
std::optional<NamePacket> MakeNodeStatusResponse(uint16_t id, const ScopedName& question,
                                                 const NodeStatus& status);

}  // namespace lyr::netbios
