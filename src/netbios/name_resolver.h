// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <list>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "netbios/netbios_service.h"

namespace lyr::netbios {

// getaddrinfo for IPv4 addresses, each look-up in a thread of its own and at most `max_running`
// at a time. A look-up may be given up on before it ends; its thread finishes on its own and is
// waited for at the latest by the destructor, so none outlives this object.
class DnsLookups {
public:
    using Resolve = std::function<std::optional<uint32_t>(const std::string& host)>;
    static std::optional<uint32_t> SystemResolve(const std::string& host);

    explicit DnsLookups(size_t max_running = 4, Resolve resolve = SystemResolve);
    ~DnsLookups();
    DnsLookups(const DnsLookups&) = delete;
    DnsLookups& operator=(const DnsLookups&) = delete;

    // The address, or nothing when the look-up fails or takes longer than `timeout`; waiting for
    // a free thread counts towards it.
    std::optional<uint32_t> LookUp(const std::string& host, std::chrono::milliseconds timeout);

private:
    struct Worker {
        std::thread thread;
        bool done = false;
    };
    void JoinDone();  // with mutex_ held; the threads joined have finished their work

    const size_t max_running_;
    const Resolve resolve_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::list<Worker> workers_;
    size_t running_ = 0;
};

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
    DnsLookups dns_;
    std::mutex mutex_;
    struct CacheEntry {
        ResolvedTarget target;
        std::chrono::steady_clock::time_point expires;
    };
    std::map<std::string, CacheEntry> cache_;
};

}  // namespace lyr::netbios
