// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "netbios/datagram.h"
#include "netbios/vectors.h"

namespace lyr::netbios {
namespace {

constexpr uint32_t kAnnaAddress = 0xC0A8010A;  // 192.168.1.10, as in the vectors

Datagram MessengerDatagram(DatagramType type, uint16_t id, NetbiosName destination,
                           std::string user_data) {
    Datagram datagram;
    datagram.type = type;
    datagram.id = id;
    datagram.source_ip = kAnnaAddress;
    datagram.source = NetbiosName::Make("ANNA-PC", kWorkstationSuffix);
    datagram.destination = destination;
    datagram.user_data = std::move(user_data);
    return datagram;
}

TEST(Datagram, MatchesTheGoldenMessengerDatagramsBothWays) {
    struct Case {
        const char* vector;
        DatagramType type;
        uint16_t id;
        NetbiosName destination;
    } cases[] = {
        {"messenger_unique", DatagramType::DirectUnique, 1,
         NetbiosName::Make("PC1", kMessengerSuffix)},
        {"messenger_group", DatagramType::DirectGroup, 2, NetbiosName::Make("WORKGROUP", 0)},
        {"messenger_max", DatagramType::DirectUnique, 8,
         NetbiosName::Make("PC1", kMessengerSuffix)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.vector);
        std::string golden = lyr::test::Vector(c.vector);
        auto parsed = ParseDatagram(golden);
        ASSERT_TRUE(parsed);
        EXPECT_EQ(parsed->type, c.type);
        EXPECT_EQ(parsed->id, c.id);
        EXPECT_EQ(parsed->source_ip, kAnnaAddress);
        EXPECT_EQ(parsed->source_port, 138);
        EXPECT_EQ(parsed->source.ToString(), "ANNA-PC<00>");
        EXPECT_EQ(parsed->destination, c.destination);
        EXPECT_FALSE(parsed->IsFragment());
        EXPECT_EQ(parsed->user_data, golden.substr(82));
        EXPECT_EQ(BuildDatagram(MessengerDatagram(c.type, c.id, c.destination, golden.substr(82))),
                  golden);
    }
}

TEST(Datagram, RejectsLengthsPastTheEndAndBrokenNames) {
    std::string golden = lyr::test::Vector("messenger_unique");
    for (size_t cut : {0, 1, 10, 13, 14, 40, 81, 100, 180}) {
        EXPECT_FALSE(ParseDatagram(golden.substr(0, cut))) << cut;
    }
    std::string too_long = golden;
    too_long[11] = static_cast<char>(0xA8);  // DGM_LENGTH one more than there is
    EXPECT_FALSE(ParseDatagram(too_long));
    std::string names_only = golden;
    names_only[10] = 0;
    names_only[11] = 40;  // the destination name reaches past DGM_LENGTH
    EXPECT_FALSE(ParseDatagram(names_only));
    std::string pointer = golden;
    pointer[48] = static_cast<char>(0xC0);  // pointers have no place in datagrams
    pointer[49] = 0x0E;
    EXPECT_FALSE(ParseDatagram(pointer));
    std::string query = golden;
    query[0] = 0x14;  // QUERY REQUEST: not a data datagram
    EXPECT_FALSE(ParseDatagram(query));

    // Bytes after DGM_LENGTH do not belong to the datagram.
    auto padded = ParseDatagram(golden + "junk");
    ASSERT_TRUE(padded);
    EXPECT_EQ(padded->user_data, golden.substr(82));
}

TEST(Datagram, ReportsFragmentsSoTheyCanBeDropped) {
    std::string golden = lyr::test::Vector("messenger_unique");
    for (auto [flags, offset] : {std::pair{0x03, 0}, std::pair{0x00, 0}, std::pair{0x02, 100}}) {
        std::string fragment = golden;
        fragment[1] = static_cast<char>(flags);
        fragment[13] = static_cast<char>(offset);
        auto parsed = ParseDatagram(fragment);
        ASSERT_TRUE(parsed);
        EXPECT_TRUE(parsed->IsFragment()) << flags << " " << offset;
    }
    std::string h_node = golden;
    h_node[1] = 0x0E;  // a Windows H node's whole datagram
    EXPECT_FALSE(ParseDatagram(h_node)->IsFragment());
}

TEST(Datagram, CarriesAScopeAndErrorsRoundTrip) {
    auto datagram = MessengerDatagram(DatagramType::Broadcast, 7, NetbiosName::Wildcard(), "x");
    datagram.scope = "LAN.EXAMPLE";
    auto bytes = BuildDatagram(datagram);
    ASSERT_TRUE(bytes);
    EXPECT_EQ(ParseDatagram(*bytes), datagram);
    datagram.scope = "bad..";
    EXPECT_FALSE(BuildDatagram(datagram));

    DatagramError error{0, 0x1234, kAnnaAddress, 138, kDatagramErrorNameNotPresent};
    std::string error_bytes = BuildDatagramError(error);
    EXPECT_EQ(error_bytes.size(), 11u);
    EXPECT_EQ(ParseDatagramError(error_bytes), error);
    EXPECT_FALSE(ParseDatagramError(error_bytes.substr(0, 10)));
    EXPECT_FALSE(ParseDatagram(error_bytes));
}

}  // namespace
}  // namespace lyr::netbios
