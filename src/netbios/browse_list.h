// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "netbios/heard_map.h"

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

// An entry of the list as it is kept between runs: when it was last heard and the announcement
// period it lives by (already bounded). A workgroup its local master announced has no name.
struct HeardEntry {
    BrowseComputer computer;
    std::chrono::milliseconds periodicity{0};
    std::chrono::milliseconds age{0};
    bool operator==(const HeardEntry&) const = default;
};

// The workgroups and computers that announce themselves on the subnet, each kept until three of
// its announcement periods pass without a word from it (a computer's period counts as at most
// 12 minutes, a workgroup's as at most 15, the longest a Windows browser uses). A workgroup is
// listed while its local master announces it or while any of its computers is listed; this
// computer and its workgroup are always listed. Safe to use from any thread; time is passed in,
// so tests choose it.
class BrowseList {
public:
    using Clock = std::chrono::steady_clock;
    using Log = std::function<void(std::string_view)>;

    // Bounds against a flood of invented names: once one is reached, a newcomer takes the place
    // of the entry heard from least recently, and `log` is told so, once.
    static constexpr size_t kMaxComputers = 4096;
    static constexpr size_t kMaxWorkgroups = 1024;

    BrowseList(std::string own_computer, std::string own_workgroup, uint32_t own_server_type,
               Log log = {});

    // An announcement of a computer; server type 0 says it leaves. Names that no real computer
    // or workgroup has (see IsListable) are not taken.
    void SeeComputer(BrowseComputer computer, std::chrono::milliseconds periodicity,
                     Clock::time_point now);
    // A workgroup announced by its local master.
    void SeeWorkgroup(const std::string& name, std::chrono::milliseconds periodicity,
                      Clock::time_point now);

    // Drops what has expired by `now`; the next moment something expires (max() for never).
    Clock::time_point Expire(Clock::time_point now);

    BrowseSnapshot Snapshot() const;

    // Every entry heard (not this computer), with its age at `now`, least recently heard first.
    std::vector<HeardEntry> Heard(Clock::time_point now) const;
    // Takes entries kept from an earlier run, aged as they are now; those that expired by then,
    // or that an announcement could not have put here, are passed over. What was heard in this
    // run already stays as it is.
    void Restore(std::vector<HeardEntry> entries, Clock::time_point now);

    // Counts the changes of the list; WaitForChange returns once it differs from `seen`,
    // false when `timeout` passes first.
    uint64_t Generation() const;
    bool WaitForChange(uint64_t seen, std::chrono::milliseconds timeout) const;

    // Whether a name may stand in the list; `name` as it will stand (upper-cased). Not: the
    // empty name, names longer than a NetBIOS name holds, names of dots and spaces only ("."
    // and ".." among them), names with control characters or with the characters Windows
    // refuses in a computer name ("*" among them).
    static bool IsListable(const std::string& name);

private:
    using Key = std::pair<std::string, std::string>;  // workgroup, computer
    struct ComputerEntry {
        BrowseComputer computer;
        Clock::time_point heard;
        Clock::time_point expires;
    };
    struct WorkgroupEntry {
        Clock::time_point heard;
        Clock::time_point expires;
    };
    // Both under the lock: whether the entry was new, and the lines to log after.
    void Take(BrowseComputer computer, Clock::time_point heard, Clock::time_point expires,
              bool& say_full);
    void TakeWorkgroup(const std::string& workgroup, Clock::time_point heard,
                       Clock::time_point expires, bool& say_full);
    void Changed();
    void SayFull(std::string_view entries, size_t bound) const;

    const BrowseComputer own_;
    const Log log_;
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    uint64_t generation_ = 0;
    HeardMap<Key, ComputerEntry> computers_{kMaxComputers};
    HeardMap<std::string, WorkgroupEntry> workgroups_{kMaxWorkgroups};  // from local masters
    bool said_computers_full_ = false;
    bool said_workgroups_full_ = false;
    // No later than the first expiry, so that most calls of Expire need not look at every entry.
    Clock::time_point next_expiry_ = Clock::time_point::max();
};

}  // namespace lyr::netbios
