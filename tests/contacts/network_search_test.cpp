// SPDX-License-Identifier: GPL-3.0-or-later
#include "contacts/network_search.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "contacts/fake_network.h"
#include "platform/codepage.h"

namespace lyr {
namespace {

using test::AddTwoWorkgroups;
using test::Domain;
using test::FakeNetwork;
using test::Network;
using test::Server;
using test::Share;

// Each entry as "Kind Name/Group", names in UTF-8.
std::vector<std::string> Listing(const std::vector<TUserData>& entries) {
    std::vector<std::string> lines;
    for (const auto& entry : entries) {
        lines.push_back(std::to_string(entry.Kind) + " " + AnsiToUtf8(entry.Name) + "/" +
                        AnsiToUtf8(entry.Group));
        EXPECT_FALSE(entry.Checked);
        EXPECT_EQ(entry.Reserved, 0);
    }
    return lines;
}

std::vector<std::string> Search(FakeNetwork& network) {
    std::atomic<bool> stop = false;
    auto entries = Listing(SearchNetwork(network, stop));
    EXPECT_EQ(network.OpenHandles(), 0u) << "every enumeration opened is closed";
    return entries;
}

TEST(NetworkSearch, GroupsComeSortedEachBeforeItsOwnComputers) {
    FakeNetwork network;
    AddTwoWorkgroups(network);
    EXPECT_EQ(Search(network), (std::vector<std::string>{"0 Вся сеть/", "1 WG1/WG1", "2 a/WG1",
                                                         "2 B/WG1", "1 WG2/WG2", "2 C/WG2"}));
    // Computers are never entered, though they are containers of their shares.
    EXPECT_EQ(network.Opened(),
              (std::vector<std::string>{"", "Microsoft Windows Network", "WG2", "WG1"}));
    for (const auto& open : network.Opens()) {
        EXPECT_EQ(open.scope, kResourceGlobalNet);
        EXPECT_EQ(open.type, kResourceTypeAny);
        EXPECT_EQ(open.usage, 0u);
    }
}

TEST(NetworkSearch, ComputersBelongToTheDomainListedLast) {
    FakeNetwork network;
    network.Add("", Server("\\\\EARLY"));  // before any domain: no group
    network.Add("", Domain("WG2"));
    network.Add("", Domain("WG1"));
    network.Add("", Server("\\\\LATE"));  // WG1 was the last domain seen
    network.Add("WG2", Server("\\\\X"));
    EXPECT_EQ(Search(network), (std::vector<std::string>{"0 Вся сеть/", "2 EARLY/", "1 WG1/WG1",
                                                         "2 LATE/WG1", "1 WG2/WG2", "2 X/WG2"}));
}

TEST(NetworkSearch, LeadingBackslashesGoAndLongNamesAreCut) {
    FakeNetwork network;
    network.Add("", Domain("\\\\\\OFFICE"));
    network.Add("\\\\\\OFFICE", Server("\\\\PC\\1"));
    network.Add("\\\\\\OFFICE", Server("NOSLASH"));
    network.Add("", Domain(std::string(300, 'G')));
    network.Add(std::string(300, 'G'), Server("\\\\" + std::string(300, 'P')));
    const std::string group(255, 'G');
    EXPECT_EQ(Search(network),
              (std::vector<std::string>{"0 Вся сеть/", "1 " + group + "/" + group,
                                        "2 " + std::string(255, 'P') + "/" + group,
                                        "1 OFFICE/OFFICE", "2 NOSLASH/OFFICE", "2 PC\\1/OFFICE"}));
}

TEST(NetworkSearch, AsksForAHundredRecordsAtATime) {
    FakeNetwork network;
    network.Add("", Domain("BIG"));
    for (int i = 0; i < 250; ++i) {
        network.Add("BIG", Server("\\\\PC" + std::to_string(1000 + i)));
    }
    network.BehaviourOf("BIG").last_records_end_it = true;  // the last 50 come with the end
    const auto entries = Search(network);
    ASSERT_EQ(entries.size(), 252u);
    EXPECT_EQ(entries[2], "2 PC1000/BIG");
    EXPECT_EQ(entries[251], "2 PC1249/BIG");
    for (std::uint32_t count : network.RequestedCounts()) {
        EXPECT_EQ(count, kRecordsPerCall);
    }
    // The top: one call with the domain, one with the end; BIG: three, the last ending it.
    EXPECT_EQ(network.RequestedCounts().size(), 5u);
}

TEST(NetworkSearch, WithoutANetworkOnlyTheWholeNetworkIsListed) {
    for (std::uint32_t error : {kErrorNoNetwork, kErrorNoMoreItems}) {
        FakeNetwork network;
        AddTwoWorkgroups(network);
        network.BehaviourOf("").open_error = error;
        EXPECT_EQ(Search(network), (std::vector<std::string>{"0 Вся сеть/"}));
    }
    FakeNetwork empty;
    EXPECT_EQ(Search(empty), (std::vector<std::string>{"0 Вся сеть/"}));
}

TEST(NetworkSearch, AFailingContainerKeepsWhatItGaveAndTheRestIsSearched) {
    FakeNetwork cannot_open;
    AddTwoWorkgroups(cannot_open);
    cannot_open.BehaviourOf("WG2").open_error = 5;  // access denied
    EXPECT_EQ(Search(cannot_open), (std::vector<std::string>{"0 Вся сеть/", "1 WG1/WG1", "2 a/WG1",
                                                             "2 B/WG1", "1 WG2/WG2"}));

    FakeNetwork fails_midway;
    AddTwoWorkgroups(fails_midway);
    fails_midway.BehaviourOf("WG1").fail_after = 1;  // B, then an error instead of a
    fails_midway.BehaviourOf("WG1").enum_error = 1236;
    EXPECT_EQ(Search(fails_midway), (std::vector<std::string>{"0 Вся сеть/", "1 WG1/WG1", "2 B/WG1",
                                                              "1 WG2/WG2", "2 C/WG2"}));

    FakeNetwork provider_fails;
    AddTwoWorkgroups(provider_fails);
    provider_fails.Add("", Domain("OTHER"));
    provider_fails.Add("OTHER", Server("\\\\O1"));
    provider_fails.BehaviourOf("Microsoft Windows Network").fail_after = 0;
    provider_fails.BehaviourOf("Microsoft Windows Network").enum_error = 1222;
    EXPECT_EQ(Search(provider_fails),
              (std::vector<std::string>{"0 Вся сеть/", "1 OTHER/OTHER", "2 O1/OTHER"}));
}

TEST(NetworkSearch, EndsOnEnumeratorsThatWouldNeverEnd) {
    // A container that holds itself.
    FakeNetwork loop;
    loop.Add("", Network("LOOP"));
    loop.Add("LOOP", Network("LOOP"));
    loop.Add("LOOP", Domain("WG"));
    const auto found = Search(loop);
    const auto opened = loop.Opened();
    EXPECT_EQ(std::count(opened.begin(), opened.end(), "LOOP"), kMaxContainerDepth);
    EXPECT_EQ(found.size(), static_cast<size_t>(kMaxContainerDepth + 1));  // WG on every level

    // A call that succeeds with nothing, again and again.
    FakeNetwork stalling;
    AddTwoWorkgroups(stalling);
    stalling.BehaviourOf("WG1").stall = true;
    EXPECT_EQ(Search(stalling),
              (std::vector<std::string>{"0 Вся сеть/", "1 WG1/WG1", "1 WG2/WG2", "2 C/WG2"}));
}

TEST(NetworkSearch, StopsBetweenCallsAndClosesWhatItOpened) {
    FakeNetwork network;
    AddTwoWorkgroups(network);
    std::atomic<bool> stop = false;
    network.BehaviourOf("WG2").on_open = [&stop] { stop = true; };
    SearchNetwork(network, stop);
    EXPECT_EQ(network.Opened(), (std::vector<std::string>{"", "Microsoft Windows Network", "WG2"}));
    EXPECT_EQ(network.OpenHandles(), 0u);
}

}  // namespace
}  // namespace lyr
