// SPDX-License-Identifier: GPL-3.0-or-later
#include "netbios/browse_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string_view>
#include <thread>

namespace lyr::netbios {
namespace {

using namespace std::chrono_literals;
using Clock = BrowseList::Clock;

const Clock::time_point kStart = Clock::time_point() + 1h;

BrowseComputer Computer(const char* workgroup, const char* name, uint32_t type = 0x1003) {
    return {workgroup, name, type, {}, 0x0A000002};
}

std::vector<std::string> Names(const BrowseSnapshot& snapshot) {
    std::vector<std::string> names;
    for (const auto& computer : snapshot.computers) {
        names.push_back(computer.workgroup + "\\" + computer.name);
    }
    return names;
}

TEST(BrowseList, AlwaysHoldsThisComputerAndItsWorkgroup) {
    BrowseList list("pc1", "office", 0x1001);
    auto snapshot = list.Snapshot();
    EXPECT_EQ(snapshot.workgroups, std::vector<std::string>{"OFFICE"});
    ASSERT_EQ(snapshot.computers.size(), 1u);
    EXPECT_EQ(snapshot.computers[0], (BrowseComputer{"OFFICE", "PC1", 0x1001, {}, 0}));

    // Another host with our name saying goodbye does not remove us, nor does time.
    list.SeeComputer(Computer("OFFICE", "PC1", 0), 60s, kStart);
    list.Expire(kStart + 24h);
    EXPECT_EQ(Names(list.Snapshot()), std::vector<std::string>{"OFFICE\\PC1"});
}

TEST(BrowseList, ComputersSortedUnderTheirWorkgroupsWhichFollowFromThem) {
    BrowseList list("PC1", "OFFICE", 0x1001);
    list.SeeComputer(Computer("sales", "pc3"), 60s, kStart);
    list.SeeComputer(Computer("OFFICE", "ZED"), 60s, kStart);
    list.SeeComputer(Computer("OFFICE", "ANNA-PC"), 60s, kStart);
    list.SeeComputer(Computer("ACCOUNTS", "PC9"), 60s, kStart);
    auto snapshot = list.Snapshot();
    EXPECT_EQ(snapshot.workgroups, (std::vector<std::string>{"ACCOUNTS", "OFFICE", "SALES"}));
    EXPECT_EQ(Names(snapshot),
              (std::vector<std::string>{"ACCOUNTS\\PC9", "OFFICE\\ANNA-PC", "OFFICE\\PC1",
                                        "OFFICE\\ZED", "SALES\\PC3"}));
    EXPECT_EQ(snapshot.ComputersOf("SALES").size(), 1u);
    EXPECT_TRUE(snapshot.ComputersOf("NOBODY").empty());

    // A newer announcement replaces what the computer said before.
    auto changed = Computer("SALES", "PC3", 0x1001);
    changed.comment = "Склад";
    list.SeeComputer(changed, 60s, kStart + 1s);
    EXPECT_EQ(list.Snapshot().ComputersOf("SALES").at(0).comment, "Склад");
}

TEST(BrowseList, NamesAListCannotShowAreNotTaken) {
    BrowseList list("PC1", "OFFICE", 0x1001);
    for (const char* name : {"", "A\\B", "TAB\tNAME", "BELL\x07"}) {
        list.SeeComputer(Computer("OFFICE", name), 60s, kStart);
        list.SeeComputer(Computer(name, "PC2"), 60s, kStart);
        list.SeeWorkgroup(name, 60s, kStart);
    }
    EXPECT_EQ(list.Snapshot(), BrowseList("PC1", "OFFICE", 0x1001).Snapshot());
    // Bytes of other code pages are names like any other.
    list.SeeComputer(Computer("OFFICE", "\x81\x95\x95"), 60s, kStart);
    EXPECT_EQ(list.Snapshot().computers.size(), 2u);
}

TEST(BrowseList, AnEntryLivesForThreeOfItsPeriodsAndServerTypeZeroEndsItAtOnce) {
    BrowseList list("PC1", "OFFICE", 0x1001);
    list.SeeComputer(Computer("SALES", "PC3"), 60s, kStart);
    list.SeeComputer(Computer("OFFICE", "PC2"), 720s, kStart);
    EXPECT_EQ(list.Expire(kStart + 179s), kStart + 180s);
    EXPECT_EQ(list.Snapshot().computers.size(), 3u);
    EXPECT_EQ(list.Expire(kStart + 180s), kStart + 36min);
    // SALES goes with its only computer.
    EXPECT_EQ(list.Snapshot().workgroups, std::vector<std::string>{"OFFICE"});
    EXPECT_EQ(Names(list.Snapshot()), (std::vector<std::string>{"OFFICE\\PC1", "OFFICE\\PC2"}));

    // Each announcement gives it three new periods, of its latest length.
    list.SeeComputer(Computer("OFFICE", "PC2"), 60s, kStart + 30min);
    EXPECT_EQ(list.Expire(kStart + 32min), kStart + 33min);
    list.SeeComputer(Computer("OFFICE", "PC2", 0), 60s, kStart + 32min);
    EXPECT_EQ(list.Snapshot().computers.size(), 1u);
    EXPECT_EQ(list.Expire(kStart + 32min), Clock::time_point::max());
}

TEST(BrowseList, WorkgroupsOfLocalMastersLiveOnTheirOwn) {
    BrowseList list("PC1", "OFFICE", 0x1001);
    list.SeeWorkgroup("accounts", 15min, kStart);
    EXPECT_EQ(list.Snapshot().workgroups, (std::vector<std::string>{"ACCOUNTS", "OFFICE"}));
    EXPECT_TRUE(list.Snapshot().ComputersOf("ACCOUNTS").empty());
    list.Expire(kStart + 45min - 1ms);
    EXPECT_EQ(list.Snapshot().workgroups.size(), 2u);
    list.Expire(kStart + 45min);
    EXPECT_EQ(list.Snapshot().workgroups, std::vector<std::string>{"OFFICE"});
}

TEST(BrowseList, OutlandishPeriodsAreBounded) {
    BrowseList list("PC1", "OFFICE", 0x1001);
    list.SeeComputer(Computer("OFFICE", "ZERO"), 0ms, kStart);
    list.SeeComputer(Computer("OFFICE", "HUGE"), std::chrono::milliseconds(0xFFFFFFFF), kStart);
    EXPECT_EQ(list.Expire(kStart + 2s), kStart + 3s);  // a zero period still lets it be seen
    list.Expire(kStart + 3s);
    EXPECT_EQ(list.Expire(kStart + 3h), Clock::time_point::max());  // not weeks
}

TEST(BrowseList, AFloodOfInventedNamesIsBounded) {
    BrowseList list("PC1", "OFFICE", 0x1001);
    for (size_t i = 0; i < BrowseList::kMaxComputers + 10; ++i) {
        list.SeeComputer(Computer("FLOOD", ("PC" + std::to_string(i)).c_str()), 60s, kStart);
    }
    for (size_t i = 0; i < BrowseList::kMaxWorkgroups + 10; ++i) {
        list.SeeWorkgroup("WG" + std::to_string(i), 60s, kStart);
    }
    auto snapshot = list.Snapshot();
    EXPECT_EQ(snapshot.computers.size(), BrowseList::kMaxComputers + 1);
    EXPECT_EQ(snapshot.workgroups.size(), BrowseList::kMaxWorkgroups + 2);  // FLOOD, OFFICE
    // Known entries are still kept up to date.
    list.SeeComputer(Computer("FLOOD", "PC4100", 0), 60s, kStart);
    EXPECT_EQ(list.Snapshot().computers.size(), BrowseList::kMaxComputers);
}

TEST(BrowseList, WhenFullTheEntryHeardLeastRecentlyMakesRoomAndTheLogIsToldOnce) {
    std::vector<std::string> log;
    BrowseList list("PC1", "OFFICE", 0x1001,
                    [&](std::string_view line) { log.emplace_back(line); });
    auto forged = [](size_t i) { return "F" + std::to_string(i); };
    for (size_t i = 0; i < BrowseList::kMaxComputers; ++i) {
        list.SeeComputer(Computer("FLOOD", forged(i).c_str()), 1h, kStart);
    }
    for (size_t i = 0; i < BrowseList::kMaxWorkgroups; ++i) {
        list.SeeWorkgroup(forged(i), 1h, kStart);
    }
    EXPECT_TRUE(log.empty());  // full, but nobody was turned away yet
    list.SeeComputer(Computer("FLOOD", "F0"), 1h, kStart + 1s);  // heard again: now the newest
    list.SeeWorkgroup("F0", 1h, kStart + 1s);

    list.SeeComputer(Computer("OFFICE", "REAL"), 12min, kStart + 2s);
    list.SeeWorkgroup("SALES", 15min, kStart + 2s);
    auto snapshot = list.Snapshot();
    EXPECT_EQ(snapshot.ComputersOf("OFFICE").size(), 2u);  // PC1 and REAL
    EXPECT_EQ(snapshot.computers.size(), BrowseList::kMaxComputers + 1);
    auto flood = snapshot.ComputersOf("FLOOD");
    auto listed = [&](const char* name) {
        return std::any_of(flood.begin(), flood.end(),
                           [&](const BrowseComputer& computer) { return computer.name == name; });
    };
    EXPECT_TRUE(listed("F0"));
    EXPECT_FALSE(listed("F1"));  // heard least recently
    EXPECT_TRUE(listed("F2"));
    auto group_listed = [&](const char* name) {
        const auto& groups = snapshot.workgroups;
        return std::find(groups.begin(), groups.end(), name) != groups.end();
    };
    EXPECT_TRUE(group_listed("SALES"));
    EXPECT_TRUE(group_listed("F0"));
    EXPECT_FALSE(group_listed("F1"));

    // A flood going on makes no more lines: one for computers, one for workgroups.
    for (size_t i = 0; i < 2 * BrowseList::kMaxComputers; ++i) {
        list.SeeComputer(Computer("MORE", forged(i).c_str()), 1h, kStart + 3s);
        list.SeeWorkgroup("M" + std::to_string(i), 1h, kStart + 3s);
    }
    ASSERT_EQ(log.size(), 2u);
    EXPECT_NE(log[0].find("4096 computers"), std::string::npos) << log[0];
    EXPECT_NE(log[1].find("1024 workgroups"), std::string::npos) << log[1];
    EXPECT_EQ(list.Snapshot().computers.size(), BrowseList::kMaxComputers + 1);
}

TEST(BrowseList, APeriodCountsAsAtMostWhatWindowsAnnouncesWith) {
    BrowseList list("PC1", "OFFICE", 0x1001);
    // A computer announces at least every 12 minutes, a workgroup's master every 15.
    list.SeeComputer(Computer("OFFICE", "HOUR"), 1h, kStart);
    list.SeeWorkgroup("SALES", 1h, kStart);
    EXPECT_EQ(list.Expire(kStart + 1min), kStart + 36min);
    list.Expire(kStart + 36min);
    EXPECT_EQ(Names(list.Snapshot()), std::vector<std::string>{"OFFICE\\PC1"});
    EXPECT_EQ(list.Snapshot().workgroups, (std::vector<std::string>{"OFFICE", "SALES"}));
    EXPECT_EQ(list.Expire(kStart + 36min), kStart + 45min);
    list.Expire(kStart + 45min);
    EXPECT_EQ(list.Snapshot().workgroups, std::vector<std::string>{"OFFICE"});
}

TEST(BrowseList, NamesNoRealComputerHasAreNotListed) {
    BrowseList list("PC1", "OFFICE", 0x1001);
    for (const char* name : {"*", ".", "..", " . ", "*SMBSERVER", "A/B", "C:", "PC?", "<B>", "A|B",
                             "X\"Y", "[1]", "A+B", "A=B", "A;B", "A,B"}) {
        list.SeeComputer(Computer("OFFICE", name), 60s, kStart);
        list.SeeComputer(Computer(name, "PC2"), 60s, kStart);
        list.SeeWorkgroup(name, 60s, kStart);
    }
    EXPECT_EQ(list.Snapshot(), BrowseList("PC1", "OFFICE", 0x1001).Snapshot());
    // What real names have: dots inside, hyphens, underscores, dollars, spaces inside.
    for (const char* name : {"PC.2", "ANNA-PC", "BUH_1", "SRV$", "MY PC", "'QUOTE'"}) {
        list.SeeComputer(Computer("OFFICE", name), 60s, kStart);
    }
    EXPECT_EQ(list.Snapshot().computers.size(), 7u);
}

TEST(BrowseList, WaitersWakeOnChangesNotOnRepeats) {
    BrowseList list("PC1", "OFFICE", 0x1001);
    uint64_t seen = list.Generation();
    EXPECT_FALSE(list.WaitForChange(seen, 20ms));
    std::thread announcer([&] {
        std::this_thread::sleep_for(20ms);
        list.SeeComputer(Computer("OFFICE", "PC2"), 60s, kStart);
    });
    EXPECT_TRUE(list.WaitForChange(seen, 5s));
    announcer.join();
    seen = list.Generation();
    list.SeeComputer(Computer("OFFICE", "PC2"), 60s, kStart + 1min);  // the same again
    EXPECT_FALSE(list.WaitForChange(seen, 0ms));
    list.Expire(kStart + 4min);
    EXPECT_TRUE(list.WaitForChange(seen, 0ms));
}

}  // namespace
}  // namespace lyr::netbios
