// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace lyr::netbios {

// Suffixes (the 16th byte) of the names this program uses.
inline constexpr uint8_t kWorkstationSuffix = 0x00;
inline constexpr uint8_t kMessengerSuffix = 0x03;
inline constexpr uint8_t kMasterBrowserSuffix = 0x1D;
inline constexpr uint8_t kBrowserElectionSuffix = 0x1E;

// The longest name a NetBIOS name holds, its suffix byte aside.
inline constexpr size_t kLongestNetbiosName = 15;

// A NetBIOS name: 15 bytes padded with spaces and a suffix byte. Names compare as raw bytes.
struct NetbiosName {
    std::array<char, 16> bytes{};

    // `name` is taken as it is (callers upper-case it), cut to 15 bytes and padded with spaces.
    static NetbiosName Make(std::string_view name, uint8_t suffix);
    // "*" followed by 15 zero bytes: the name a node-status request asks for "any name".
    static NetbiosName Wildcard();
    // "\x01\x02__MSBROWSE__\x02\x01": the group of all local master browsers.
    static NetbiosName MasterBrowsers();

    uint8_t Suffix() const { return static_cast<uint8_t>(bytes[15]); }
    // The first 15 bytes without the space padding.
    std::string Base() const;
    // For people: "PC1<03>".
    std::string ToString() const;

    auto operator<=>(const NetbiosName&) const = default;
};

// The name as NetBIOS compares it: ASCII letters upper-cased, other bytes as they are.
std::string NetbiosUpper(std::string_view name);

// A name with its scope, as it stands in a packet.
struct ScopedName {
    NetbiosName name;
    std::string scope;  // dotted, empty for none
    bool operator==(const ScopedName&) const = default;
};

// Encoded form: length 0x20, the 32 first-level characters, the scope as labels, a zero byte.
// Fails (nothing) for a scope that labels cannot carry.
std::optional<std::string> EncodeName(const NetbiosName& name, std::string_view scope = {});
// Same, for a scope known to be valid (ours, checked once at start).
std::string EncodeNameUnchecked(const NetbiosName& name, std::string_view scope = {});

// Reads the encoded name that starts at `offset` of `packet` and moves `offset` past it. With
// `allow_pointers` (name-service packets) DNS compression pointers are followed, backwards only
// and a bounded number of times, so a pointer loop cannot hang the reader.
std::optional<ScopedName> DecodeName(std::string_view packet, size_t& offset, bool allow_pointers);

}  // namespace lyr::netbios
