// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lyr {

// One resource of the network neighbourhood, as the Windows NETRESOURCE describes it. Names are
// in the ANSI code page.
struct NetResource {
    std::uint32_t Scope = 0;
    std::uint32_t Type = 0;
    std::uint32_t DisplayType = 0;
    std::uint32_t Usage = 0;
    std::string LocalName;
    std::string RemoteName;  // "\\PC1" for a computer, "WORKGROUP" for a domain
    std::string Comment;
    std::string Provider;
};

// The Windows values of the NETRESOURCE fields and of the results the scan relies on (named
// apart from the Windows macros, which would replace them where windows.h is included).
inline constexpr std::uint32_t kResourceGlobalNet = 2;           // RESOURCE_GLOBALNET
inline constexpr std::uint32_t kResourceTypeAny = 0;             // RESOURCETYPE_ANY
inline constexpr std::uint32_t kResourceUsageConnectable = 1;    // RESOURCEUSAGE_CONNECTABLE
inline constexpr std::uint32_t kResourceUsageContainer = 2;      // RESOURCEUSAGE_CONTAINER
inline constexpr std::uint32_t kResourceDisplayTypeGeneric = 0;  // RESOURCEDISPLAYTYPE_GENERIC
inline constexpr std::uint32_t kResourceDisplayTypeDomain = 1;   // RESOURCEDISPLAYTYPE_DOMAIN
inline constexpr std::uint32_t kResourceDisplayTypeServer = 2;   // RESOURCEDISPLAYTYPE_SERVER
inline constexpr std::uint32_t kResourceDisplayTypeShare = 3;    // RESOURCEDISPLAYTYPE_SHARE
inline constexpr std::uint32_t kResourceDisplayTypeNetwork = 6;  // RESOURCEDISPLAYTYPE_NETWORK
inline constexpr std::uint32_t kNoError = 0;                     // NO_ERROR
inline constexpr std::uint32_t kErrorNoMoreItems = 259;          // ERROR_NO_MORE_ITEMS
inline constexpr std::uint32_t kErrorNoNetwork = 1222;           // ERROR_NO_NETWORK

// Walks the network neighbourhood the way WNetOpenEnumA, WNetEnumResourceA and WNetCloseEnum do.
// Failures are result codes, never exceptions. One enumeration is used by one thread at a time;
// a scan thread keeps several open at once while it descends.
class NetworkEnumerator {
public:
    using Handle = std::uintptr_t;

    virtual ~NetworkEnumerator() = default;

    // Begins enumerating the resources inside `container` (nullptr: the top of the network).
    // kNoError gives a handle, which must be closed; kErrorNoMoreItems (nothing there) or any
    // other code gives none.
    virtual std::uint32_t OpenEnum(std::uint32_t scope, std::uint32_t type, std::uint32_t usage,
                                   const NetResource* container, Handle& handle) = 0;

    // Replaces `records` with the next records of the enumeration, at most `max_count`.
    // kNoError, kErrorNoMoreItems once the enumeration is exhausted (records may still have
    // been delivered with it), or another code.
    virtual std::uint32_t EnumResource(Handle handle, std::uint32_t max_count,
                                       std::vector<NetResource>& records) = 0;

    // Ends the enumeration; the handle is invalid afterwards.
    virtual std::uint32_t CloseEnum(Handle handle) = 0;
};

}  // namespace lyr
