// SPDX-License-Identifier: GPL-3.0-or-later
#include "netbios/name_resolver.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>

#include <condition_variable>
#include <memory>
#include <system_error>
#include <thread>

#include "netbios/netbios_name.h"

namespace lyr::netbios {
namespace {

// Look-ups that hang (an unreachable name server) hold a thread each for a while.
constexpr size_t kMaxDnsLookups = 4;

}  // namespace

std::optional<uint32_t> DnsLookups::SystemResolve(const std::string& host) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* result = nullptr;
    std::optional<uint32_t> address;
    if (::getaddrinfo(host.c_str(), nullptr, &hints, &result) == 0 && result) {
        address = ntohl(reinterpret_cast<sockaddr_in*>(result->ai_addr)->sin_addr.s_addr);
        ::freeaddrinfo(result);
    }
    return address;
}

DnsLookups::DnsLookups(size_t max_running, Resolve resolve)
    : max_running_(max_running), resolve_(std::move(resolve)) {}

DnsLookups::~DnsLookups() {
    std::list<Worker> workers;
    {
        std::lock_guard lock(mutex_);
        workers.swap(workers_);
    }
    for (auto& worker : workers) {
        worker.thread.join();
    }
}

void DnsLookups::JoinDone() {
    for (auto it = workers_.begin(); it != workers_.end();) {
        if (it->done) {
            it->thread.join();
            it = workers_.erase(it);
        } else {
            ++it;
        }
    }
}

std::optional<uint32_t> DnsLookups::LookUp(const std::string& host,
                                           std::chrono::milliseconds timeout) {
    struct Result {
        bool finished = false;
        std::optional<uint32_t> address;
    };
    auto deadline = std::chrono::steady_clock::now() + timeout;
    auto result = std::make_shared<Result>();
    std::unique_lock lock(mutex_);
    JoinDone();
    if (!changed_.wait_until(lock, deadline, [&] { return running_ < max_running_; })) {
        return std::nullopt;
    }
    ++running_;
    auto worker = workers_.emplace(workers_.end());
    try {
        worker->thread = std::thread([this, worker, result, host] {
            auto address = resolve_(host);
            std::lock_guard finishing(mutex_);
            result->address = address;
            result->finished = true;
            worker->done = true;
            --running_;
            changed_.notify_all();
        });
    } catch (const std::system_error&) {
        workers_.erase(worker);
        --running_;
        return std::nullopt;
    }
    changed_.wait_until(lock, deadline, [&] { return result->finished; });
    return result->address;
}

NameResolver::NameResolver(NetbiosService& service)
    : service_(service),
      cache_lifetime_(service.Config().cache_lifetime),
      dns_timeout_(service.Config().dns_timeout),
      dns_(kMaxDnsLookups) {}

std::optional<ResolvedTarget> NameResolver::Resolve(const std::string& name) {
    if (auto address = ParseAddress(name)) {
        return ResolvedTarget{ResolvedTarget::Kind::Computer, *address};
    }
    std::string key = NetbiosUpper(name);
    auto now = service_.Now();
    {
        std::lock_guard lock(mutex_);
        auto found = cache_.find(key);
        if (found != cache_.end()) {
            if (found->second.expires > now) {
                return found->second.target;
            }
            cache_.erase(found);
        }
    }
    auto target = ResolveUncached(key);
    if (target) {
        std::lock_guard lock(mutex_);
        cache_[key] = {*target, service_.Now() + cache_lifetime_};
    }
    return target;
}

std::optional<ResolvedTarget> NameResolver::ResolveUncached(const std::string& name) {
    if (!name.empty() && name.size() <= kLongestNetbiosName &&
        name.find('.') == std::string::npos) {
        if (auto answer = service_.QueryName(NetbiosName::Make(name, kMessengerSuffix))) {
            return ResolvedTarget{ResolvedTarget::Kind::Computer, answer->address};
        }
        if (auto answer = service_.QueryName(NetbiosName::Make(name, kWorkstationSuffix))) {
            return ResolvedTarget{
                answer->group ? ResolvedTarget::Kind::Group : ResolvedTarget::Kind::Computer,
                answer->address};
        }
    }
    if (name.empty() || dns_timeout_.count() <= 0) {
        return std::nullopt;
    }
    if (auto address = dns_.LookUp(name, dns_timeout_)) {
        return ResolvedTarget{ResolvedTarget::Kind::Computer, *address};
    }
    return std::nullopt;
}

}  // namespace lyr::netbios
