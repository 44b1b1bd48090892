#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>

#include "netbios/netbios_service.h"

namespace lyr::netbios {

struct ResolvedTarget {
    enum class Kind { Computer, Group };
    Kind kind = Kind::Computer;
    uint32_t address = 0;  // host byte order; for a group, the address of one member
    bool operator==(const ResolvedTarget&) const = default;
};

// Finds a target by name: an IPv4 address as it stands; else the NetBIOS names NAME<03>, then
// NAME<00> (a group answer makes it a group), each with broadcast queries; else DNS. Answers
// are kept for a while; failures are not.
class NameResolver {
public:
    // Cache lifetime and DNS time-out come from the service's configuration, the time from its
    // clock.
    explicit NameResolver(NetbiosService& service);

    std::optional<ResolvedTarget> Resolve(const std::string& name);

private:
    std::optional<ResolvedTarget> ResolveUncached(const std::string& name);

    NetbiosService& service_;
    const std::chrono::seconds cache_lifetime_;
    const std::chrono::milliseconds dns_timeout_;
    std::mutex mutex_;
    struct CacheEntry {
        ResolvedTarget target;
        std::chrono::steady_clock::time_point expires;
    };
    std::map<std::string, CacheEntry> cache_;
};

// getaddrinfo for an IPv4 address, given up after `timeout` (the lookup itself may linger in a
// thread of its own, which owns everything it touches).
std::optional<uint32_t> LookUpDns(const std::string& host, std::chrono::milliseconds timeout);

}  // namespace lyr::netbios
