// SPDX-License-Identifier: GPL-3.0-or-later
#include "netbios/browse_list.h"

#include <algorithm>
#include <set>
#include <string>
#include <tuple>
#include <utility>

#include "netbios/netbios_name.h"

namespace lyr::netbios {
namespace {

// A period of 0 would drop an entry at once, and a huge one keep a stale entry, or a forged one,
// for hours. Windows announces a computer at least every 12 minutes, a workgroup every 15.
constexpr std::chrono::milliseconds kMinPeriodicity = std::chrono::seconds(1);
constexpr std::chrono::milliseconds kMaxComputerPeriodicity = std::chrono::minutes(12);
constexpr std::chrono::milliseconds kMaxWorkgroupPeriodicity = std::chrono::minutes(15);
constexpr int kPeriodsToLive = 3;

BrowseList::Clock::time_point ExpiryOf(std::chrono::milliseconds periodicity,
                                       std::chrono::milliseconds longest,
                                       BrowseList::Clock::time_point now) {
    return now + kPeriodsToLive * std::clamp(periodicity, kMinPeriodicity, longest);
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
                       uint32_t own_server_type, Log log)
    : own_{NetbiosUpper(std::move(own_workgroup)),
           NetbiosUpper(std::move(own_computer)),
           own_server_type,
           {},
           0},
      log_(std::move(log)) {}

bool BrowseList::IsListable(const std::string& name) {
    // Such names come only from forged announcements or a damaged kept list: "*" asks for
    // every name, "." and ".." name directories, a backslash would split the list's sort keys,
    // control characters garble the display.
    constexpr std::string_view kRefused = "\"/\\[]:|<>+=;,?*";
    if (name.size() > kLongestNetbiosName) {
        return false;
    }
    bool dots_and_spaces_only = name.find_first_not_of(". ") == std::string::npos;
    return !dots_and_spaces_only && std::none_of(name.begin(), name.end(), [&](char c) {
        auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F || kRefused.find(c) != std::string_view::npos;
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
    bool say_full = false;
    {
        std::lock_guard lock(mutex_);
        if (computer.server_type == 0) {
            if (computers_.Erase(key)) {
                next_expiry_ = Clock::time_point::min();  // looked for again by the next Expire
                Changed();
            }
            return;
        }
        Take(std::move(computer), now, ExpiryOf(periodicity, kMaxComputerPeriodicity, now),
             say_full);
    }
    if (say_full) {
        SayFull("computers", kMaxComputers);
    }
}

void BrowseList::Take(BrowseComputer computer, Clock::time_point heard, Clock::time_point expires,
                      bool& say_full) {
    auto entry = computers_.Hear({computer.workgroup, computer.name});
    entry.value.heard = heard;
    entry.value.expires = expires;
    if (entry.value.computer != computer) {
        entry.value.computer = std::move(computer);
        Changed();
    }
    next_expiry_ = std::min(next_expiry_, expires);
    say_full = entry.displaced && !std::exchange(said_computers_full_, true);
}

void BrowseList::SeeWorkgroup(const std::string& name, std::chrono::milliseconds periodicity,
                              Clock::time_point now) {
    std::string workgroup = NetbiosUpper(name);
    if (!IsListable(workgroup)) {
        return;
    }
    bool say_full = false;
    {
        std::lock_guard lock(mutex_);
        TakeWorkgroup(workgroup, now, ExpiryOf(periodicity, kMaxWorkgroupPeriodicity, now),
                      say_full);
    }
    if (say_full) {
        SayFull("workgroups", kMaxWorkgroups);
    }
}

void BrowseList::TakeWorkgroup(const std::string& workgroup, Clock::time_point heard,
                               Clock::time_point expires, bool& say_full) {
    auto entry = workgroups_.Hear(workgroup);
    entry.value = {heard, expires};
    next_expiry_ = std::min(next_expiry_, expires);
    if (entry.added) {
        Changed();
    }
    say_full = entry.displaced && !std::exchange(said_workgroups_full_, true);
}

std::vector<HeardEntry> BrowseList::Heard(Clock::time_point now) const {
    std::vector<std::pair<Clock::time_point, HeardEntry>> heard;
    auto add = [&](BrowseComputer computer, Clock::time_point at, Clock::time_point expires) {
        auto periodicity =
            std::chrono::duration_cast<std::chrono::milliseconds>(expires - at) / kPeriodsToLive;
        auto age = std::chrono::duration_cast<std::chrono::milliseconds>(now - at);
        heard.push_back({at, {std::move(computer), periodicity, std::max(age, {})}});
    };
    {
        std::lock_guard lock(mutex_);
        computers_.ForEach([&](const Key&, const ComputerEntry& computer) {
            add(computer.computer, computer.heard, computer.expires);
        });
        workgroups_.ForEach([&](const std::string& name, const WorkgroupEntry& workgroup) {
            add({name, {}, 0, {}, 0}, workgroup.heard, workgroup.expires);
        });
    }
    std::stable_sort(heard.begin(), heard.end(),
                     [](const auto& left, const auto& right) { return left.first < right.first; });
    std::vector<HeardEntry> result;
    result.reserve(heard.size());
    for (auto& [at, entry] : heard) {
        result.push_back(std::move(entry));
    }
    return result;
}

void BrowseList::Restore(std::vector<HeardEntry> entries, Clock::time_point now) {
    // The oldest first, so that the bound, if reached, keeps the freshest.
    std::stable_sort(
        entries.begin(), entries.end(),
        [](const HeardEntry& left, const HeardEntry& right) { return left.age > right.age; });
    bool say_computers_full = false;
    bool say_workgroups_full = false;
    {
        std::lock_guard lock(mutex_);
        for (auto& entry : entries) {
            BrowseComputer& computer = entry.computer;
            computer.workgroup = NetbiosUpper(std::move(computer.workgroup));
            computer.name = NetbiosUpper(std::move(computer.name));
            const bool workgroup_only = computer.name.empty();
            const auto heard = now - std::max(entry.age, {});
            const auto expires = ExpiryOf(
                entry.periodicity,
                workgroup_only ? kMaxWorkgroupPeriodicity : kMaxComputerPeriodicity, heard);
            if (expires <= now || !IsListable(computer.workgroup)) {
                continue;
            }
            bool full = false;
            if (workgroup_only) {
                if (!workgroups_.Contains(computer.workgroup)) {
                    TakeWorkgroup(computer.workgroup, heard, expires, full);
                    say_workgroups_full = say_workgroups_full || full;
                }
                continue;
            }
            Key key{computer.workgroup, computer.name};
            if (IsListable(computer.name) && computer.server_type != 0 &&
                key != Key{own_.workgroup, own_.name} && !computers_.Contains(key)) {
                Take(std::move(computer), heard, expires, full);
                say_computers_full = say_computers_full || full;
            }
        }
    }
    if (say_computers_full) {
        SayFull("computers", kMaxComputers);
    }
    if (say_workgroups_full) {
        SayFull("workgroups", kMaxWorkgroups);
    }
}

void BrowseList::SayFull(std::string_view entries, size_t bound) const {
    if (log_) {
        log_("the browse list holds " + std::to_string(bound) + " " + std::string(entries) +
             ", its most (a flood of forged announcements?): from now on each newcomer takes "
             "the place of the one heard from least recently");
    }
}

BrowseList::Clock::time_point BrowseList::Expire(Clock::time_point now) {
    std::lock_guard lock(mutex_);
    if (now < next_expiry_) {
        return next_expiry_;
    }
    auto next = Clock::time_point::max();
    auto expired = [&](Clock::time_point expires) {
        if (expires <= now) {
            return true;
        }
        next = std::min(next, expires);
        return false;
    };
    bool computers_removed = computers_.EraseIf(
        [&](const Key&, const ComputerEntry& entry) { return expired(entry.expires); });
    bool workgroups_removed = workgroups_.EraseIf(
        [&](const std::string&, const WorkgroupEntry& entry) { return expired(entry.expires); });
    bool removed = computers_removed || workgroups_removed;
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
    snapshot.computers.reserve(computers_.Size() + 1);
    snapshot.computers.push_back(own_);
    workgroups_.ForEach(
        [&](const std::string& name, const WorkgroupEntry&) { workgroups.insert(name); });
    computers_.ForEach([&](const Key& key, const ComputerEntry& entry) {
        workgroups.insert(key.first);
        snapshot.computers.push_back(entry.computer);
    });
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
