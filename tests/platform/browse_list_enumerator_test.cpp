// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/browse_list_enumerator.h"

#include <gtest/gtest.h>
#include <atomic>

#include <algorithm>
#include <chrono>
#include <thread>

#include "netbios/browser_frames.h"
#include "netbios/datagram.h"
#include "netbios/mailslot_write.h"
#include "netbios/udp_peer.h"

namespace lyr {
namespace {

using namespace std::chrono_literals;

// A neighbourhood the test describes.
class FakeNeighbourhood : public NeighbourhoodSource {
public:
    void Refresh() override { ++refreshes; }
    netbios::BrowseSnapshot Snapshot() override { return snapshot; }

    void Add(const std::string& workgroup, const std::string& computer,
             const std::string& comment = {}) {
        if (std::find(snapshot.workgroups.begin(), snapshot.workgroups.end(), workgroup) ==
            snapshot.workgroups.end()) {
            snapshot.workgroups.push_back(workgroup);
        }
        snapshot.computers.push_back({workgroup, computer, 0x1001, comment, 0});
    }

    std::atomic<int> refreshes{0};  // several scans may ask at once
    netbios::BrowseSnapshot snapshot;
};

struct Enumeration {
    std::uint32_t opened = 0;
    std::vector<std::vector<NetResource>> calls;  // the records of each call, the last one empty
    std::uint32_t last_result = 0;
};

Enumeration Enumerate(NetworkEnumerator& enumerator, const NetResource* container,
                      std::uint32_t per_call = 100) {
    Enumeration result;
    NetworkEnumerator::Handle handle = 0;
    result.opened = enumerator.OpenEnum(kResourceGlobalNet, kResourceTypeAny, 0, container, handle);
    if (result.opened != kNoError) {
        return result;
    }
    for (int guard = 0; guard < 1000; ++guard) {
        std::vector<NetResource> records;
        result.last_result = enumerator.EnumResource(handle, per_call, records);
        result.calls.push_back(records);
        if (result.last_result != kNoError) {
            break;
        }
    }
    EXPECT_EQ(enumerator.CloseEnum(handle), kNoError);
    return result;
}

std::vector<NetResource> All(const Enumeration& enumeration) {
    std::vector<NetResource> all;
    for (const auto& call : enumeration.calls) {
        all.insert(all.end(), call.begin(), call.end());
    }
    return all;
}

TEST(BrowseListEnumerator, TheTopListsWorkgroupsAndAWorkgroupItsComputersAsWindowsDoes) {
    FakeNeighbourhood neighbourhood;
    neighbourhood.Add("OFFICE", "PC1", "\x8F\xE0\xA8\xA5\xAC\xAD\xA0\xEF");  // "Приемная", 866
    neighbourhood.Add("OFFICE", "PC2");
    neighbourhood.Add("SALES", "PC3");
    BrowseListEnumerator enumerator(neighbourhood);

    auto top = Enumerate(enumerator, nullptr);
    ASSERT_EQ(top.opened, kNoError);
    EXPECT_EQ(neighbourhood.refreshes, 1);  // asked before it lists
    EXPECT_EQ(top.last_result, kErrorNoMoreItems);
    auto groups = All(top);
    ASSERT_EQ(groups.size(), 2u);
    for (const auto& group : groups) {
        EXPECT_EQ(group.Scope, kResourceGlobalNet);
        EXPECT_EQ(group.Type, kResourceTypeAny);
        EXPECT_EQ(group.DisplayType, kResourceDisplayTypeDomain);
        EXPECT_EQ(group.Usage, kResourceUsageContainer);
        EXPECT_EQ(group.Provider, "Microsoft Windows Network");
    }
    EXPECT_EQ(groups[0].RemoteName, "OFFICE");
    EXPECT_EQ(groups[1].RemoteName, "SALES");

    auto office = All(Enumerate(enumerator, &groups[0]));
    EXPECT_EQ(neighbourhood.refreshes, 1);  // only the top asks the network
    ASSERT_EQ(office.size(), 2u);
    EXPECT_EQ(office[0].RemoteName, "\\\\PC1");
    EXPECT_EQ(office[0].Comment, "\xCF\xF0\xE8\xE5\xEC\xED\xE0\xFF");  // "Приемная", 1251
    EXPECT_EQ(office[0].DisplayType, kResourceDisplayTypeServer);
    EXPECT_EQ(office[0].Usage, kResourceUsageContainer);
    EXPECT_EQ(office[1].RemoteName, "\\\\PC2");

    // A container is known by its name, however it is written.
    NetResource sales = groups[1];
    sales.RemoteName = "\\\\sales";
    auto in_sales = All(Enumerate(enumerator, &sales));
    ASSERT_EQ(in_sales.size(), 1u);
    EXPECT_EQ(in_sales[0].RemoteName, "\\\\PC3");

    // Computers hold nothing here; a workgroup nobody announces is empty.
    EXPECT_EQ(Enumerate(enumerator, &office[0]).opened, kErrorNoMoreItems);
    NetResource nobody = groups[0];
    nobody.RemoteName = "NOBODY";
    EXPECT_EQ(Enumerate(enumerator, &nobody).opened, kErrorNoMoreItems);
}

TEST(BrowseListEnumerator, HandsOutAtMostTheCountAskedForAndThenNoMoreItems) {
    FakeNeighbourhood neighbourhood;
    for (int i = 0; i < 250; ++i) {
        neighbourhood.Add("BIG", "PC" + std::to_string(1000 + i));
    }
    BrowseListEnumerator enumerator(neighbourhood);
    NetResource big = All(Enumerate(enumerator, nullptr)).at(0);

    auto paged = Enumerate(enumerator, &big);
    ASSERT_EQ(paged.calls.size(), 4u);
    EXPECT_EQ(paged.calls[0].size(), 100u);
    EXPECT_EQ(paged.calls[1].size(), 100u);
    EXPECT_EQ(paged.calls[2].size(), 50u);
    EXPECT_TRUE(paged.calls[3].empty());
    EXPECT_EQ(paged.last_result, kErrorNoMoreItems);
    auto all = All(paged);
    ASSERT_EQ(all.size(), 250u);
    EXPECT_EQ(all.front().RemoteName, "\\\\PC1000");
    EXPECT_EQ(all.back().RemoteName, "\\\\PC1249");

    EXPECT_EQ(All(Enumerate(enumerator, &big, 0xFFFFFFFF)).size(), 250u);
    EXPECT_EQ(Enumerate(enumerator, &big, 1).calls.size(), 251u);
}

TEST(BrowseListEnumerator, AnEnumerationListsTheNeighbourhoodAsItWasWhenOpened) {
    FakeNeighbourhood neighbourhood;
    neighbourhood.Add("OFFICE", "PC1");
    BrowseListEnumerator enumerator(neighbourhood);
    NetworkEnumerator::Handle handle = 0;
    ASSERT_EQ(enumerator.OpenEnum(kResourceGlobalNet, kResourceTypeAny, 0, nullptr, handle),
              kNoError);
    neighbourhood.Add("SALES", "PC3");
    std::vector<NetResource> records;
    EXPECT_EQ(enumerator.EnumResource(handle, 100, records), kNoError);
    EXPECT_EQ(records.size(), 1u);
    EXPECT_EQ(enumerator.EnumResource(handle, 100, records), kErrorNoMoreItems);
    EXPECT_TRUE(records.empty());
    EXPECT_EQ(enumerator.CloseEnum(handle), kNoError);
}

TEST(BrowseListEnumerator, RefusesWhatWindowsRefuses) {
    FakeNeighbourhood neighbourhood;
    neighbourhood.Add("OFFICE", "PC1");
    BrowseListEnumerator enumerator(neighbourhood);
    NetworkEnumerator::Handle handle = 0;
    std::vector<NetResource> records(3);

    EXPECT_EQ(enumerator.EnumResource(12345, 100, records), 6u);  // ERROR_INVALID_HANDLE
    EXPECT_TRUE(records.empty());
    EXPECT_EQ(enumerator.CloseEnum(12345), 6u);
    ASSERT_EQ(enumerator.OpenEnum(kResourceGlobalNet, kResourceTypeAny, 0, nullptr, handle),
              kNoError);
    EXPECT_EQ(enumerator.EnumResource(handle, 0, records), 87u);  // ERROR_INVALID_PARAMETER
    EXPECT_EQ(enumerator.CloseEnum(handle), kNoError);
    EXPECT_EQ(enumerator.CloseEnum(handle), 6u);
    EXPECT_EQ(enumerator.EnumResource(handle, 100, records), 6u);

    NetResource share;
    share.DisplayType = kResourceDisplayTypeShare;
    share.Usage = kResourceUsageConnectable;
    EXPECT_EQ(enumerator.OpenEnum(kResourceGlobalNet, kResourceTypeAny, 0, &share, handle),
              1207u);  // ERROR_NOT_CONTAINER
    // No connections are made or remembered here; other scopes do not exist.
    EXPECT_EQ(enumerator.OpenEnum(1, kResourceTypeAny, 0, nullptr, handle), kErrorNoMoreItems);
    EXPECT_EQ(enumerator.OpenEnum(3, kResourceTypeAny, 0, nullptr, handle), kErrorNoMoreItems);
    EXPECT_EQ(enumerator.OpenEnum(77, kResourceTypeAny, 0, nullptr, handle), 87u);
    // Everything listed is a container, so asking for connectable resources only finds none.
    EXPECT_EQ(enumerator.OpenEnum(kResourceGlobalNet, kResourceTypeAny, kResourceUsageConnectable,
                                  nullptr, handle),
              kErrorNoMoreItems);
    EXPECT_EQ(neighbourhood.refreshes, 1);
}

TEST(BrowseListEnumerator, SeveralScansAtOnceKeepTheirOwnEnumerations) {
    FakeNeighbourhood neighbourhood;
    for (int i = 0; i < 300; ++i) {
        neighbourhood.Add("WG" + std::to_string(i % 3), "PC" + std::to_string(i));
    }
    BrowseListEnumerator enumerator(neighbourhood);
    auto scan = [&] {
        size_t computers = 0;
        for (const auto& group : All(Enumerate(enumerator, nullptr))) {
            computers += All(Enumerate(enumerator, &group, 7)).size();
        }
        return computers;
    };
    std::vector<size_t> found(4);
    std::vector<std::thread> threads;
    for (auto& count : found) {
        threads.emplace_back([&] { count = scan(); });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(found, std::vector<size_t>(4, 300));
}

// The real thing: a NetBIOS service that owns (test) ports on loopback.
netbios::ServiceConfig LoopbackConfig(uint16_t port, netbios::ServiceMode mode) {
    netbios::ServiceConfig config;
    config.computer_name = "PC1";
    config.workgroup = "OFFICE";
    config.mode = mode;
    config.name_service_port = port;
    config.datagram_port = static_cast<uint16_t>(port + 1);
    // Loopback standing in for a LAN: its broadcast address reaches every socket on the port.
    config.interfaces =
        std::vector<netbios::Ipv4Interface>{{"lo", 0x7F000001, 0xFF000000, 0x7FFFFFFF, false}};
    config.registration_interval = 50ms;
    config.dns_timeout = 0ms;
    return config;
}

TEST(ServiceNeighbourhood, AsksWaitsAndListsWhatTheServiceHeard) {
    uint16_t port = test::FreePortPair();
    netbios::NetbiosService service(LoopbackConfig(port, netbios::ServiceMode::Owner));
    ASSERT_TRUE(service.Status().network_owner);
    ServiceNeighbourhood neighbourhood(service, 300ms);
    BrowseListEnumerator enumerator(neighbourhood);

    // PC2 answers while the enumerator waits.
    test::UdpPeer peer;
    std::thread answer([&] {
        std::this_thread::sleep_for(100ms);
        netbios::HostAnnouncement frame;
        frame.periodicity_ms = 60000;
        frame.server_name = "PC2";
        frame.server_type = 0x1003;
        netbios::Datagram datagram;
        datagram.type = netbios::DatagramType::DirectGroup;
        datagram.source_ip = 0x7F000002;
        datagram.source = netbios::NetbiosName::Make("PC2", 0);
        datagram.destination = netbios::NetbiosName::Make("OFFICE", 0x1D);
        datagram.user_data = *netbios::BuildMailslotWrite("\\MAILSLOT\\BROWSE",
                                                          *netbios::BuildHostAnnouncement(frame),
                                                          netbios::MailslotWriteStyle::Browser);
        peer.Send(*netbios::BuildDatagram(datagram), 0x7F000001, static_cast<uint16_t>(port + 1));
    });
    auto start = std::chrono::steady_clock::now();
    auto groups = All(Enumerate(enumerator, nullptr));
    auto took = std::chrono::steady_clock::now() - start;
    answer.join();
    EXPECT_GE(took, 300ms);
    EXPECT_LT(took, 2s);
    ASSERT_EQ(groups.size(), 1u);
    auto computers = All(Enumerate(enumerator, &groups[0]));
    ASSERT_EQ(computers.size(), 2u);
    EXPECT_EQ(computers[0].RemoteName, "\\\\PC1");
    EXPECT_EQ(computers[1].RemoteName, "\\\\PC2");
}

TEST(ServiceNeighbourhood, WithoutThePortsItDoesNotWaitForAnswersThatCannotCome) {
    uint16_t port = test::FreePortPair();
    netbios::NetbiosService client(LoopbackConfig(port, netbios::ServiceMode::Client));
    ServiceNeighbourhood neighbourhood(client, 5s);
    BrowseListEnumerator enumerator(neighbourhood);
    auto start = std::chrono::steady_clock::now();
    auto groups = All(Enumerate(enumerator, nullptr));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0].RemoteName, "OFFICE");
}

}  // namespace
}  // namespace lyr
