// SPDX-License-Identifier: GPL-3.0-or-later
#include "netbios/kept_browse_list.h"

#include <gtest/gtest.h>

#include <string>

namespace lyr::netbios {
namespace {

using namespace std::chrono_literals;
using Clock = BrowseList::Clock;
using Wall = std::chrono::system_clock;

const Clock::time_point kFirstRun = Clock::time_point() + 1h;
const Clock::time_point kSecondRun = Clock::time_point() + 7h;  // steady clocks restart
const Wall::time_point kWritten = Wall::time_point() + 20000 * 24h;

BrowseComputer Computer(const char* workgroup, const char* name) {
    return {workgroup, name, 0x1003, {}, 0x0A0D0102};
}

std::vector<std::string> Names(const BrowseSnapshot& snapshot) {
    std::vector<std::string> names;
    for (const auto& computer : snapshot.computers) {
        names.push_back(computer.workgroup + "\\" + computer.name);
    }
    return names;
}

// The next run lists what the last one heard, aged by the time between the runs.
TEST(KeptBrowseList, TheNextRunListsWhatIsNotExpiredAndExpiresItOnTime) {
    BrowseList first("PC1", "OFFICE", 0x1001);
    auto pc2 = Computer("OFFICE", "PC2");
    pc2.comment = std::string("Склад\t100%\n\x01", 17);
    first.SeeComputer(pc2, 12min, kFirstRun);
    first.SeeComputer(Computer("SALES", "PC3"), 1s, kFirstRun);  // lives 3 s
    first.SeeWorkgroup("ACCOUNTS", 15min, kFirstRun);
    const std::string text = KeptBrowseListText(first.Heard(kFirstRun + 1s), kWritten);

    // Ten seconds later: PC3 has expired, the rest has 35 min 49 s (45 min 49 s) to live.
    BrowseList second("PC1", "OFFICE", 0x1001);
    second.Restore(ParseKeptBrowseList(text, kWritten + 10s), kSecondRun);
    auto snapshot = second.Snapshot();
    EXPECT_EQ(Names(snapshot), (std::vector<std::string>{"OFFICE\\PC1", "OFFICE\\PC2"}));
    EXPECT_EQ(snapshot.workgroups, (std::vector<std::string>{"ACCOUNTS", "OFFICE"}));
    EXPECT_EQ(snapshot.computers[1], pc2);

    second.Expire(kSecondRun + 36min - 12s);
    EXPECT_EQ(second.Snapshot().computers.size(), 2u);
    second.Expire(kSecondRun + 36min - 11s);
    EXPECT_EQ(second.Snapshot().computers.size(), 1u);
    second.Expire(kSecondRun + 45min - 11s);
    EXPECT_EQ(second.Snapshot().workgroups, std::vector<std::string>{"OFFICE"});

    // After the longest life nothing is left; nor is anything listed twice when read again.
    BrowseList late("PC1", "OFFICE", 0x1001);
    late.Restore(ParseKeptBrowseList(text, kWritten + 46min), kSecondRun);
    EXPECT_EQ(late.Snapshot(), BrowseList("PC1", "OFFICE", 0x1001).Snapshot());
}

TEST(KeptBrowseList, WhatThisRunHeardWinsAndTheOwnComputerStaysOurs) {
    BrowseList first("PC1", "OFFICE", 0x1001);
    first.SeeComputer(Computer("OFFICE", "PC2"), 12min, kFirstRun);
    first.SeeComputer(Computer("OFFICE", "PC9"), 12min, kFirstRun);
    auto entries =
        ParseKeptBrowseList(KeptBrowseListText(first.Heard(kFirstRun), kWritten), kWritten);
    entries.push_back({{"OFFICE", "PC1", 0x1003, "an impostor", 0x0A000009}, 12min, 0ms});

    BrowseList second("PC1", "OFFICE", 0x1001);
    auto fresh = Computer("OFFICE", "PC2");
    fresh.comment = "heard now";
    second.SeeComputer(fresh, 1min, kSecondRun);
    second.Restore(entries, kSecondRun);
    auto snapshot = second.Snapshot();
    ASSERT_EQ(Names(snapshot),
              (std::vector<std::string>{"OFFICE\\PC1", "OFFICE\\PC2", "OFFICE\\PC9"}));
    EXPECT_EQ(snapshot.computers[0].comment, "");
    EXPECT_EQ(snapshot.computers[1].comment, "heard now");
    second.Expire(kSecondRun + 3min);  // PC2 lives by its period of this run
    EXPECT_EQ(second.Snapshot().computers.size(), 2u);
}

TEST(KeptBrowseList, DamagedOrHostileFilesGiveNothingTheyShouldNot) {
    const std::string header = "lyr browse list 1\nwritten\t1728000000\n";
    const Wall::time_point written = Wall::time_point() + 1728000000s;
    auto restored = [](const std::string& text, Wall::time_point now) {
        BrowseList list("PC1", "OFFICE", 0x1001);
        list.Restore(ParseKeptBrowseList(text, now), kSecondRun);
        return Names(list.Snapshot());
    };
    const std::vector<std::string> alone{"OFFICE\\PC1"};
    const std::string good = "computer\tOFFICE\tPC2\t00001003\t10.0.0.2\t60000\t0\t\n";

    EXPECT_EQ(restored(header + good, written).size(), 2u);
    EXPECT_EQ(restored("some other file\n" + good, written), alone);
    EXPECT_EQ(restored(good, written), alone);                          // no header
    EXPECT_EQ(restored("lyr browse list 1\n" + good, written), alone);  // no time of writing
    // Lines cut short, bad numbers, names no computer has, server type 0, escapes cut short.
    EXPECT_EQ(restored(header + "computer\tOFFICE\tPC3\t00001003\t10.0.0.3\t60000\n" +
                           "computer\tOFFICE\tPC4\tXYZ\t10.0.0.4\t60000\t0\t\n" +
                           "computer\tOFFICE\tPC5\t00001003\t10.0.0\t60000\t0\t\n" +
                           "computer\tOFFICE\tPC6\t00001003\t10.0.0.6\t-5\t0\t\n" +
                           "computer\tOFFICE\t*\t00001003\t10.0.0.7\t60000\t0\t\n" +
                           "computer\tOFFICE\t..\t00001003\t10.0.0.7\t60000\t0\t\n" +
                           "computer\t\x01\tPC7\t00001003\t10.0.0.7\t60000\t0\t\n" +
                           "computer\tOFFICE\tPC8\t00000000\t10.0.0.8\t60000\t0\t\n" +
                           "computer\tOFFICE\tPC9\t00001003\t10.0.0.9\t60000\t0\tcut %4\n" +
                           "workgroup\t*\t60000\t0\n" + "workgroup\tSALES\t60000\n" +
                           // longer than any NetBIOS name
                           "computer\tOFFICE\tSIXTEEN-LETTERS1\t00001003\t10.0.0.9\t60000\t0\t\n" +
                           "workgroup\tSIXTEEN-LETTERS1\t60000\t0\n",
                       written),
              alone);
    // Numbers that would overflow, and a file from the future (the clock was set back).
    EXPECT_EQ(restored(header + "computer\tOFFICE\tPC2\t00001003\t10.0.0.2\t60000\t"
                                "99999999999999999999\t\n",
                       written),
              alone);
    EXPECT_EQ(restored("lyr browse list 1\nwritten\t9223372036854775807\n" + good, written), alone);
    EXPECT_EQ(restored(header + good, written - 24h).size(), 2u);
    // An outlandish period is bounded as when heard.
    EXPECT_EQ(restored(header + "computer\tOFFICE\tPC2\t00001003\t10.0.0.2\t86400000\t0\t\n",
                       written + 37min),
              alone);
}

}  // namespace
}  // namespace lyr::netbios
