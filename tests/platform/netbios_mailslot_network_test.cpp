// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <thread>

#include "netbios/datagram.h"
#include "netbios/mailslot_write.h"
#include "netbios/udp_peer.h"
#include "platform/error.h"
#include "platform/linux/local_mailslot_receiver.h"
#include "platform/linux/netbios_mailslot_network.h"
#include "platform/linux/network_mailslot_system.h"
#include "support/local_mailslot_reader.h"

namespace lyr {
namespace {

using namespace std::chrono_literals;
using netbios::DatagramType;
using netbios::NetbiosName;

constexpr uint32_t kLoopback = 0x7F000001;
constexpr uint32_t kPeer = 0x7F000002;

netbios::ServiceConfig TestConfig(const char* computer, uint16_t port, netbios::ServiceMode mode) {
    netbios::ServiceConfig config;
    config.computer_name = computer;
    config.workgroup = "OFFICE";
    config.mode = mode;
    config.name_service_port = port;
    config.datagram_port = static_cast<uint16_t>(port + 1);
    config.interfaces =
        std::vector<netbios::Ipv4Interface>{{"lo", kLoopback, 0xFF000000, 0x7FFFFFFF, false}};
    config.registration_interval = 50ms;
    config.query_interval = 100ms;
    config.dns_timeout = 0ms;
    return config;
}

// A slot name no other test process holds.
std::string UniqueSlot(const char* base) {
    return std::string(base) + std::to_string(::getpid());
}

TEST(NetbiosMailslotNetwork, GroupAndStarWritesGoToTheSubnetAndToOurOwnQueue) {
    uint16_t port = test::FreePortPair();
    NetbiosMailslotNetwork network(TestConfig("PC1", port, netbios::ServiceMode::Client));
    std::string slot = UniqueSlot("LyrGroup");
    test::LocalMailslotReader reader(slot);
    test::UdpPeer lan(0, static_cast<uint16_t>(port + 1));  // hears the subnet's broadcasts

    for (const char* target : {"*", "office"}) {
        SCOPED_TRACE(target);
        ASSERT_TRUE(network.WriteRemote(target, slot, "hello all"));
        EXPECT_EQ(reader.Read(1s), "hello all");
        auto packet = lan.Receive(1s);
        ASSERT_TRUE(packet);
        auto datagram = netbios::ParseDatagram(packet->bytes);
        ASSERT_TRUE(datagram);
        EXPECT_EQ(datagram->type, DatagramType::DirectGroup);
        EXPECT_EQ(datagram->destination.ToString(), "OFFICE<00>");
        auto write = netbios::ParseMailslotWrite(datagram->user_data);
        ASSERT_TRUE(write);
        EXPECT_EQ(write->mailslot_name, "\\MAILSLOT\\" + netbios::NetbiosUpper(slot));
        EXPECT_EQ(write->data, "hello all");
    }
}

TEST(NetbiosMailslotNetwork, AWriteLargerThanOneDatagramFailsWhole) {
    uint16_t port = test::FreePortPair();
    NetbiosMailslotNetwork network(TestConfig("PC1", port, netbios::ServiceMode::Client));
    test::UdpPeer lan(0, static_cast<uint16_t>(port + 1));
    EXPECT_TRUE(network.WriteRemote("*", kMessengerSlot, std::string(424, 'x')));
    EXPECT_EQ(lan.Receive(1s)->bytes.size(), 594u);
    EXPECT_FALSE(network.WriteRemote("*", kMessengerSlot, std::string(425, 'x')));
    EXPECT_FALSE(network.WriteRemote("PC2", kMessengerSlot, std::string(425, 'x')));
    EXPECT_FALSE(lan.Receive(200ms));  // nothing, not even a part, went out
}

TEST(NetbiosMailslotNetwork, AComputerByNameAndWhatArrivesFromTheNetwork) {
    uint16_t port = test::FreePortPair();
    std::string slot = UniqueSlot("LyrUnique");
    auto reader = std::make_unique<test::LocalMailslotReader>(slot);
    NetbiosMailslotNetwork owner(TestConfig("PC1", port, netbios::ServiceMode::Owner));
    ASSERT_TRUE(owner.Service().WaitForRegistration(2s));
    NetbiosMailslotNetwork client(TestConfig("PC2", port, netbios::ServiceMode::Client));

    // Resolved by a name query, sent as a datagram, handed into the slot's queue.
    std::string text("ANNA\0PC1\0\x8F\xE0\xA8\xA2\xA5\xE2", 15);  // "Привет" in code page 866
    ASSERT_TRUE(client.WriteRemote("pc1", slot, text));
    EXPECT_EQ(reader->Read(2s), text);

    // From another computer, with the slot in other letter case.
    test::UdpPeer peer;
    netbios::Datagram datagram;
    datagram.type = DatagramType::DirectUnique;
    datagram.source_ip = kPeer;
    datagram.source = NetbiosName::Make("PC3", 0);
    datagram.destination = NetbiosName::Make("PC1", 3);
    datagram.user_data =
        *netbios::BuildMailslotWrite("\\mailslot\\" + netbios::NetbiosUpper(slot), "from PC3");
    peer.Send(*netbios::BuildDatagram(datagram), kLoopback, static_cast<uint16_t>(port + 1));
    EXPECT_EQ(reader->Read(2s), "from PC3");

    // A slot nobody holds drops the message, and later ones still arrive.
    datagram.user_data = *netbios::BuildMailslotWrite("\\MAILSLOT\\NOBODYHOLDSTHIS", "lost");
    peer.Send(*netbios::BuildDatagram(datagram), kLoopback, static_cast<uint16_t>(port + 1));
    datagram.user_data = *netbios::BuildMailslotWrite("\\MAILSLOT\\" + slot, "after");
    peer.Send(*netbios::BuildDatagram(datagram), kLoopback, static_cast<uint16_t>(port + 1));
    EXPECT_EQ(reader->Read(2s), "after");

    // Our own group write reaches our queue once, not once more through the network.
    ASSERT_TRUE(client.WriteRemote("*", slot, "to all"));
    EXPECT_EQ(reader->Read(1s), "to all");
    EXPECT_FALSE(reader->Read(300ms));

    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(client.WriteRemote("NOBODY", slot, "x"));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1500ms);

    // A reader that closed its slot and opened it again gets what comes next.
    reader.reset();
    reader = std::make_unique<test::LocalMailslotReader>(slot);
    datagram.user_data = *netbios::BuildMailslotWrite("\\MAILSLOT\\" + slot, "reopened");
    peer.Send(*netbios::BuildDatagram(datagram), kLoopback, static_cast<uint16_t>(port + 1));
    EXPECT_EQ(reader->Read(2s), "reopened");
}

// The messenger holds its slot in the process that owns the ports: what arrives goes into that
// queue as into any other, in order, within its limits, and to whoever holds the slot after it.
TEST(NetbiosMailslotNetwork, ASlotOfThisProcessTakesWhatArrivesWithinItsLimits) {
    uint16_t port = test::FreePortPair();
    std::string slot = UniqueSlot("LyrInProcess");
    MailslotCreateError error{};
    auto receiver = LocalMailslotReceiver::Create(slot, 10, error, 20);
    ASSERT_TRUE(receiver);
    NetbiosMailslotNetwork owner(TestConfig("PC1", port, netbios::ServiceMode::Owner));
    ASSERT_TRUE(owner.Service().WaitForRegistration(2s));
    test::UdpPeer peer;
    netbios::Datagram datagram;
    datagram.source_ip = kPeer;
    datagram.source = NetbiosName::Make("PC3", 0);
    datagram.destination = NetbiosName::Make("PC1", 3);
    auto send = [&](std::string_view data) {
        datagram.user_data =
            *netbios::BuildMailslotWrite("\\MAILSLOT\\" + netbios::NetbiosUpper(slot), data);
        peer.Send(*netbios::BuildDatagram(datagram), kLoopback, static_cast<uint16_t>(port + 1));
    };
    // Beyond the size limit: never queued. Beyond the queue's 20 bytes: dropped and counted.
    for (std::string_view data : {"m0", "m1", "m2", "longer than 10", "0123456789", "no room"}) {
        send(data);
    }
    auto start = std::chrono::steady_clock::now();
    while (receiver->Dropped() == 0 && std::chrono::steady_clock::now() - start < 2s) {
        std::this_thread::sleep_for(10ms);
    }
    EXPECT_EQ(receiver->Dropped(), 1u);
    EXPECT_EQ(receiver->ReadWaiting(10),
              (std::vector<std::string>{"m0", "m1", "m2", "0123456789"}));

    receiver->Close();
    test::LocalMailslotReader reader(slot);
    send("after");
    EXPECT_EQ(reader.Read(2s), "after");
}

bool WriteTo(MailslotSystem& system, const std::string& server, const std::string& slot,
             std::string_view data) {
    auto handle = system.OpenForWrite(MakeMailslotPath(server, slot));
    return handle && handle->Write(data) == data.size();
}

// The one construction the programs share: this computer's queues at once, the network once
// joined, and the reason of a failed write.
TEST(NetworkMailslotSystem, ReachesThisComputerAtOnceAndOthersOnceJoined) {
    uint16_t port = test::FreePortPair();
    std::string slot = UniqueSlot("LyrJoined");
    test::LocalMailslotReader reader(slot);
    NetworkMailslotSystem owner(TestConfig("PC1", port, netbios::ServiceMode::Client));
    NetworkMailslotSystem client(TestConfig("PC2", port, netbios::ServiceMode::Owner));

    EXPECT_TRUE(WriteTo(owner, "pc1", slot, "to myself"));
    EXPECT_EQ(reader.Read(1s), "to myself");
    EXPECT_FALSE(WriteTo(client, "PC1", slot, "too early"));
    EXPECT_EQ(client.LastRemoteWriteFailure(), RemoteWriteFailure::NoNetwork);

    // Each joins in its own mode, whatever its settings said.
    ASSERT_TRUE(owner.JoinNetwork(netbios::ServiceMode::Owner).network_owner);
    ASSERT_TRUE(owner.Network()->Service().WaitForRegistration(2s));
    EXPECT_FALSE(client.JoinNetwork(netbios::ServiceMode::Client).network_owner);
    EXPECT_THROW(client.JoinNetwork(netbios::ServiceMode::Client), Exception);

    EXPECT_TRUE(WriteTo(client, "PC1", slot, "from PC2"));
    EXPECT_EQ(reader.Read(2s), "from PC2");
    EXPECT_FALSE(WriteTo(client, "NOBODY", slot, "lost"));
    EXPECT_EQ(client.LastRemoteWriteFailure(), RemoteWriteFailure::NameNotFound);
    EXPECT_FALSE(WriteTo(client, "PC1", slot, std::string(425, 'x')));
    EXPECT_EQ(client.LastRemoteWriteFailure(), RemoteWriteFailure::TooLarge);
    EXPECT_FALSE(reader.Read(200ms)) << "nothing of the failed writes arrived";
}

}  // namespace
}  // namespace lyr
