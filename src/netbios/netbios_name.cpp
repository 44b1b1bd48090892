// SPDX-License-Identifier: GPL-3.0-or-later
#include "netbios/netbios_name.h"

#include <cstdio>

#include "base/ascii_case.h"

namespace lyr::netbios {
namespace {

constexpr size_t kEncodedLength = 32;
constexpr size_t kMaxLabelLength = 63;
constexpr size_t kMaxEncodedNameLength = 255;
constexpr int kMaxPointerJumps = 16;

}  // namespace

std::string NetbiosUpper(std::string_view name) {
    return ToUpperAscii(name);
}

NetbiosName NetbiosName::Make(std::string_view name, uint8_t suffix) {
    NetbiosName result;
    result.bytes.fill(' ');
    for (size_t i = 0; i < name.size() && i < kLongestNetbiosName; ++i) {
        result.bytes[i] = name[i];
    }
    result.bytes[kLongestNetbiosName] = static_cast<char>(suffix);
    return result;
}

NetbiosName NetbiosName::Wildcard() {
    NetbiosName result;
    result.bytes[0] = '*';
    return result;
}

NetbiosName NetbiosName::MasterBrowsers() {
    static constexpr char kName[] = "\x01\x02__MSBROWSE__\x02\x01";
    NetbiosName result;
    for (size_t i = 0; i < 16; ++i) {
        result.bytes[i] = kName[i];
    }
    return result;
}

std::string NetbiosName::Base() const {
    std::string result(bytes.data(), kLongestNetbiosName);
    while (!result.empty() && result.back() == ' ') {
        result.pop_back();
    }
    return result;
}

std::string NetbiosName::ToString() const {
    std::string result;
    for (char c : Base()) {
        unsigned char byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            result += escaped;
        } else {
            result.push_back(c);
        }
    }
    char suffix[8];
    std::snprintf(suffix, sizeof suffix, "<%02X>", Suffix());
    return result + suffix;
}

std::optional<std::string> EncodeName(const NetbiosName& name, std::string_view scope) {
    std::string result;
    result.reserve(kEncodedLength + scope.size() + 3);
    result.push_back(static_cast<char>(kEncodedLength));
    for (char c : name.bytes) {
        unsigned char byte = static_cast<unsigned char>(c);
        result.push_back(static_cast<char>('A' + (byte >> 4)));
        result.push_back(static_cast<char>('A' + (byte & 0x0F)));
    }
    while (!scope.empty()) {
        size_t dot = scope.find('.');
        std::string_view label = scope.substr(0, dot);
        if (label.empty() || label.size() > kMaxLabelLength) {
            return std::nullopt;
        }
        result.push_back(static_cast<char>(label.size()));
        result.append(label);
        scope = dot == std::string_view::npos ? std::string_view{} : scope.substr(dot + 1);
        if (dot != std::string_view::npos && scope.empty()) {
            return std::nullopt;  // a trailing dot
        }
    }
    result.push_back('\0');
    if (result.size() > kMaxEncodedNameLength) {
        return std::nullopt;
    }
    return result;
}

std::string EncodeNameUnchecked(const NetbiosName& name, std::string_view scope) {
    auto encoded = EncodeName(name, scope);
    return encoded ? *encoded : *EncodeName(name);
}

std::optional<ScopedName> DecodeName(std::string_view packet, size_t& offset, bool allow_pointers) {
    ScopedName result;
    size_t position = offset;
    std::optional<size_t> end_after_pointer;
    size_t lowest_label_start = position;  // pointers must go strictly before every label seen
    size_t total_length = 0;
    int jumps = 0;
    bool first_label = true;
    for (;;) {
        if (position >= packet.size()) {
            return std::nullopt;
        }
        unsigned char length = static_cast<unsigned char>(packet[position]);
        if ((length & 0xC0) == 0xC0) {
            if (!allow_pointers || position + 1 >= packet.size() || ++jumps > kMaxPointerJumps) {
                return std::nullopt;
            }
            size_t target = (length & 0x3F) << 8 | static_cast<unsigned char>(packet[position + 1]);
            if (target >= lowest_label_start) {
                return std::nullopt;
            }
            if (!end_after_pointer) {
                end_after_pointer = position + 2;
            }
            position = target;
            lowest_label_start = target;
            continue;
        }
        if (length & 0xC0) {
            return std::nullopt;  // reserved label types
        }
        ++position;
        if (length == 0) {
            break;
        }
        if (length > packet.size() - position) {
            return std::nullopt;
        }
        total_length += 1 + length;
        if (total_length > kMaxEncodedNameLength) {
            return std::nullopt;
        }
        std::string_view label = packet.substr(position, length);
        position += length;
        if (first_label) {
            if (length != kEncodedLength) {
                return std::nullopt;
            }
            for (size_t i = 0; i < 16; ++i) {
                unsigned high = static_cast<unsigned char>(label[2 * i]) - 'A';
                unsigned low = static_cast<unsigned char>(label[2 * i + 1]) - 'A';
                if (high > 15 || low > 15) {
                    return std::nullopt;
                }
                result.name.bytes[i] = static_cast<char>(high << 4 | low);
            }
            first_label = false;
        } else {
            if (!result.scope.empty()) {
                result.scope.push_back('.');
            }
            result.scope.append(label);
        }
    }
    if (first_label) {
        return std::nullopt;  // an empty name
    }
    offset = end_after_pointer ? *end_after_pointer : position;
    return result;
}

}  // namespace lyr::netbios
