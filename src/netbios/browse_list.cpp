// SPDX-License-Identifier: GPL-3.0-or-later
#include "netbios/browse_list.h"

#include <algorithm>
#include <set>
#include <tuple>

#include "netbios/netbios_name.h"

namespace lyr::netbios {
namespace {

// A period of 0 would drop an entry at once, and a huge one keep a stale entry for weeks.
constexpr std::chrono::milliseconds kMinPeriodicity = std::chrono::seconds(1);
constexpr std::chrono::milliseconds kMaxPeriodicity = std::chrono::hours(1);
constexpr int kPeriodsToLive = 3;

BrowseList::Clock::time_point ExpiryOf(std::chrono::milliseconds periodicity,
                                       BrowseList::Clock::time_point now) {
    return now + kPeriodsToLive * std::clamp(periodicity, kMinPeriodicity, kMaxPeriodicity);
}

}  // namespace

std::vector<BrowseComputer> BrowseSnapshot::ComputersOf(const std::string& workgroup) const {
    std::vector<BrowseComputer> result;
    for (const auto& computer : computers) {
        if (computer.workgroup == workgroup) {
            result.push_back(computer);
        }
    }
    return result;
}

BrowseList::BrowseList(std::string own_computer, std::string own_workgroup,
                       uint32_t own_server_type)
    : own_{NetbiosUpper(std::move(own_workgroup)),
           NetbiosUpper(std::move(own_computer)),
           own_server_type,
           {},
           0} {}

bool BrowseList::IsListable(const std::string& name) {
    if (name.empty()) {
        return false;
    }
    // A backslash would split the list's sort keys, control characters garble the display.
    return std::none_of(name.begin(), name.end(), [](char c) {
        auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F || c == '\\';
    });
}

void BrowseList::SeeComputer(BrowseComputer computer, std::chrono::milliseconds periodicity,
                             Clock::time_point now) {
    computer.workgroup = NetbiosUpper(std::move(computer.workgroup));
    computer.name = NetbiosUpper(std::move(computer.name));
    if (!IsListable(computer.workgroup) || !IsListable(computer.name)) {
        return;
    }
    Key key{computer.workgroup, computer.name};
    if (key == Key{own_.workgroup, own_.name}) {
        return;  // we know better than anybody whether we are here
    }
    std::lock_guard lock(mutex_);
    auto found = computers_.find(key);
    if (computer.server_type == 0) {
        if (found != computers_.end()) {
            computers_.erase(found);
            next_expiry_ = Clock::time_point::min();  // looked for again by the next Expire
            Changed();
        }
        return;
    }
    auto expires = ExpiryOf(periodicity, now);
    if (found == computers_.end()) {
        if (computers_.size() >= kMaxComputers) {
            return;
        }
        computers_.emplace(std::move(key), ComputerEntry{std::move(computer), expires});
        Changed();
    } else {
        found->second.expires = expires;
        if (found->second.computer != computer) {
            found->second.computer = std::move(computer);
            Changed();
        }
    }
    next_expiry_ = std::min(next_expiry_, expires);
}

void BrowseList::SeeWorkgroup(const std::string& name, std::chrono::milliseconds periodicity,
                              Clock::time_point now) {
    std::string workgroup = NetbiosUpper(name);
    if (!IsListable(workgroup)) {
        return;
    }
    std::lock_guard lock(mutex_);
    auto [entry, added] = workgroups_.try_emplace(workgroup);
    if (added && workgroups_.size() > kMaxWorkgroups) {
        workgroups_.erase(entry);
        return;
    }
    entry->second = ExpiryOf(periodicity, now);
    next_expiry_ = std::min(next_expiry_, entry->second);
    if (added) {
        Changed();
    }
}

BrowseList::Clock::time_point BrowseList::Expire(Clock::time_point now) {
    std::lock_guard lock(mutex_);
    if (now < next_expiry_) {
        return next_expiry_;
    }
    auto next = Clock::time_point::max();
    bool removed = false;
    for (auto it = computers_.begin(); it != computers_.end();) {
        if (it->second.expires <= now) {
            it = computers_.erase(it);
            removed = true;
        } else {
            next = std::min(next, it->second.expires);
            ++it;
        }
    }
    for (auto it = workgroups_.begin(); it != workgroups_.end();) {
        if (it->second <= now) {
            it = workgroups_.erase(it);
            removed = true;
        } else {
            next = std::min(next, it->second);
            ++it;
        }
    }
    if (removed) {
        Changed();
    }
    next_expiry_ = next;
    return next;
}

BrowseSnapshot BrowseList::Snapshot() const {
    std::lock_guard lock(mutex_);
    std::set<std::string> workgroups{own_.workgroup};
    BrowseSnapshot snapshot;
    snapshot.computers.reserve(computers_.size() + 1);
    snapshot.computers.push_back(own_);
    for (const auto& [name, expires] : workgroups_) {
        workgroups.insert(name);
    }
    for (const auto& [key, entry] : computers_) {
        workgroups.insert(key.first);
        snapshot.computers.push_back(entry.computer);
    }
    std::sort(snapshot.computers.begin(), snapshot.computers.end(),
              [](const BrowseComputer& left, const BrowseComputer& right) {
                  return std::tie(left.workgroup, left.name) <
                         std::tie(right.workgroup, right.name);
              });
    snapshot.workgroups.assign(workgroups.begin(), workgroups.end());
    return snapshot;
}

uint64_t BrowseList::Generation() const {
    std::lock_guard lock(mutex_);
    return generation_;
}

bool BrowseList::WaitForChange(uint64_t seen, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return generation_ != seen; });
}

void BrowseList::Changed() {
    ++generation_;
    changed_.notify_all();
}

}  // namespace lyr::netbios
