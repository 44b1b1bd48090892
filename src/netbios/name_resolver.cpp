#include "netbios/name_resolver.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>

#include <condition_variable>
#include <memory>
#include <thread>

namespace lyr::netbios {
namespace {

constexpr size_t kMaxNetbiosNameLength = 15;

}  // namespace

std::optional<uint32_t> LookUpDns(const std::string& host, std::chrono::milliseconds timeout) {
    struct Lookup {
        std::mutex mutex;
        std::condition_variable done;
        bool finished = false;
        std::optional<uint32_t> address;
    };
    auto lookup = std::make_shared<Lookup>();
    std::thread([lookup, host] {
        addrinfo hints{};
        hints.ai_family = AF_INET;
        hints.ai_socktype = SOCK_DGRAM;
        addrinfo* result = nullptr;
        std::optional<uint32_t> address;
        if (::getaddrinfo(host.c_str(), nullptr, &hints, &result) == 0 && result) {
            address = ntohl(reinterpret_cast<sockaddr_in*>(result->ai_addr)->sin_addr.s_addr);
            ::freeaddrinfo(result);
        }
        std::lock_guard lock(lookup->mutex);
        lookup->address = address;
        lookup->finished = true;
        lookup->done.notify_all();
    }).detach();
    std::unique_lock lock(lookup->mutex);
    lookup->done.wait_for(lock, timeout, [&] { return lookup->finished; });
    return lookup->address;
}

NameResolver::NameResolver(NetbiosService& service)
    : service_(service),
      cache_lifetime_(service.Config().cache_lifetime),
      dns_timeout_(service.Config().dns_timeout) {}

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
    if (!name.empty() && name.size() <= kMaxNetbiosNameLength &&
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
    if (auto address = LookUpDns(name, dns_timeout_)) {
        return ResolvedTarget{ResolvedTarget::Kind::Computer, *address};
    }
    return std::nullopt;
}

}  // namespace lyr::netbios
