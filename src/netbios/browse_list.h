// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace lyr::netbios {

// A computer of the network neighbourhood. Names are NetBIOS names as announced, upper-cased.
struct BrowseComputer {
    std::string workgroup;
    std::string name;
    uint32_t server_type = 0;
    std::string comment;
    uint32_t address = 0;  // where its last announcement came from; 0 for this computer
    bool operator==(const BrowseComputer&) const = default;
};

// The neighbourhood at one moment, sorted by name (computers by workgroup, then name).
struct BrowseSnapshot {
    std::vector<std::string> workgroups;
    std::vector<BrowseComputer> computers;

    std::vector<BrowseComputer> ComputersOf(const std::string& workgroup) const;
    bool operator==(const BrowseSnapshot&) const = default;
};

// The workgroups and computers that announce themselves on the subnet, each kept until three of
// its announcement periods pass without a word from it. A workgroup is listed while its local
// master announces it or while any of its computers is listed; this computer and its workgroup
// are always listed. Safe to use from any thread; time is passed in, so tests choose it.
class BrowseList {
public:
    using Clock = std::chrono::steady_clock;

    // Bounds against a flood of invented names: further newcomers are not taken.
    static constexpr size_t kMaxComputers = 4096;
    static constexpr size_t kMaxWorkgroups = 1024;

    BrowseList(std::string own_computer, std::string own_workgroup, uint32_t own_server_type);

    // An announcement of a computer; server type 0 says it leaves. Names that a list entry
    // cannot show (empty, control characters, a backslash) are not taken.
    void SeeComputer(BrowseComputer computer, std::chrono::milliseconds periodicity,
                     Clock::time_point now);
    // A workgroup announced by its local master.
    void SeeWorkgroup(const std::string& name, std::chrono::milliseconds periodicity,
                      Clock::time_point now);

    // Drops what has expired by `now`; the next moment something expires (max() for never).
    Clock::time_point Expire(Clock::time_point now);

    BrowseSnapshot Snapshot() const;

    // Counts the changes of the list; WaitForChange returns once it differs from `seen`,
    // false when `timeout` passes first.
    uint64_t Generation() const;
    bool WaitForChange(uint64_t seen, std::chrono::milliseconds timeout) const;

    // Whether a name may stand in the list; `name` as it will stand (upper-cased).
    static bool IsListable(const std::string& name);

private:
    using Key = std::pair<std::string, std::string>;  // workgroup, computer
    struct ComputerEntry {
        BrowseComputer computer;
        Clock::time_point expires;
    };
    void Changed();

    const BrowseComputer own_;
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    uint64_t generation_ = 0;
    std::map<Key, ComputerEntry> computers_;
    std::map<std::string, Clock::time_point> workgroups_;  // from their local masters
    // No later than the first expiry, so that most calls of Expire need not look at every entry.
    Clock::time_point next_expiry_ = Clock::time_point::max();
};

}  // namespace lyr::netbios
