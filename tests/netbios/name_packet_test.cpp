// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "netbios/name_packet.h"
#include "netbios/vectors.h"

namespace lyr::netbios {
namespace {

constexpr uint32_t kAnna = 0xC0A8010A;  // 192.168.1.10
constexpr uint32_t kPc1 = 0xC0A80114;   // 192.168.1.20
constexpr uint32_t kTtl = 300000;

ScopedName Name(const char* name, uint8_t suffix) {
    return {NetbiosName::Make(name, suffix), ""};
}

TEST(NamePacket, BuildsTheGoldenPacketsOfABNode) {
    EXPECT_EQ(BuildNamePacket(MakeNameQuery(0x8001, Name("PC1", 3), true)),
              lyr::test::Vector("name_query_request"));
    EXPECT_EQ(BuildNamePacket(MakePositiveQueryResponse(0x8001, Name("PC1", 3), kTtl, {{0, kPc1}})),
              lyr::test::Vector("positive_name_query_response"));
    EXPECT_EQ(
        BuildNamePacket(MakeRegistrationRequest(0x8002, Name("ANNA-PC", 3), {0, kAnna}, kTtl)),
        lyr::test::Vector("name_registration_request"));
    EXPECT_EQ(
        BuildNamePacket(MakeNegativeRegistrationResponse(0x8002, Name("ANNA-PC", 3), {0, kPc1})),
        lyr::test::Vector("negative_name_registration_response"));
    ScopedName wildcard{NetbiosName::Wildcard(), ""};
    EXPECT_EQ(BuildNamePacket(MakeNodeStatusRequest(0x8003, wildcard)),
              lyr::test::Vector("node_status_request"));
    NodeStatus status;
    status.names = {{NetbiosName::Make("PC1", 0), kNameActive},
                    {NetbiosName::Make("PC1", 3), kNameActive},
                    {NetbiosName::Make("WORKGROUP", 0), kNameGroup | kNameActive}};
    status.unit_id = std::string("\x02\x00\x00\x00\x00\x14", 6);
    EXPECT_EQ(BuildNamePacket(*MakeNodeStatusResponse(0x8003, wildcard, status)),
              lyr::test::Vector("node_status_response"));
}

TEST(NamePacket, ReadsTheGoldenPackets) {
    auto query = ParseNamePacket(lyr::test::Vector("name_query_request"));
    ASSERT_TRUE(query);
    EXPECT_FALSE(query->IsResponse());
    EXPECT_EQ(query->Opcode(), NameOpcode::Query);
    ASSERT_EQ(query->questions.size(), 1u);
    EXPECT_EQ(query->questions[0].name, Name("PC1", 3));
    EXPECT_EQ(query->questions[0].type, kTypeNb);

    auto registration = ParseNamePacket(lyr::test::Vector("name_registration_request"));
    ASSERT_TRUE(registration);
    EXPECT_EQ(registration->Opcode(), NameOpcode::Registration);
    ASSERT_EQ(registration->additional.size(), 1u);
    EXPECT_EQ(registration->additional[0].name, Name("ANNA-PC", 3));  // through the pointer
    EXPECT_EQ(ParseNameOwners(registration->additional[0].data),
              (std::vector<NameOwner>{{0, kAnna}}));
    EXPECT_EQ(BuildNamePacket(*registration), lyr::test::Vector("name_registration_request"));

    auto refusal = ParseNamePacket(lyr::test::Vector("negative_name_registration_response"));
    ASSERT_TRUE(refusal);
    EXPECT_TRUE(refusal->IsResponse());
    EXPECT_EQ(refusal->Rcode(), kRcodeActive);
    EXPECT_EQ(ParseNameOwners(refusal->answers.at(0).data)->at(0).address, kPc1);

    auto answer = ParseNamePacket(lyr::test::Vector("positive_name_query_response"));
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->answers.at(0).ttl, kTtl);
    EXPECT_FALSE(ParseNameOwners(answer->answers.at(0).data)->at(0).IsGroup());

    auto node_status = ParseNamePacket(lyr::test::Vector("node_status_response"));
    ASSERT_TRUE(node_status);
    auto status = ParseNodeStatus(node_status->answers.at(0).data);
    ASSERT_TRUE(status);
    ASSERT_EQ(status->names.size(), 3u);
    EXPECT_EQ(status->names[2].name.ToString(), "WORKGROUP<00>");
    EXPECT_EQ(status->names[2].flags, kNameGroup | kNameActive);
    EXPECT_EQ(status->unit_id, std::string("\x02\x00\x00\x00\x00\x14", 6));
}

TEST(NamePacket, FlagsOfTheOtherBNodePackets) {
    auto name = Name("PC1", 3);
    EXPECT_EQ(MakeNameQuery(1, name, false).flags, 0x0100);
    EXPECT_EQ(MakeNegativeQueryResponse(1, name).flags, 0x8503);
    EXPECT_EQ(MakeOverwriteDemand(1, name, {0, kPc1}, kTtl).flags, 0x2810);
    EXPECT_EQ(MakeReleaseRequest(1, name, {0, kPc1}).flags, 0x3010);
    auto conflict = MakeConflictDemand(1, name, {0, kPc1});
    EXPECT_EQ(conflict.flags, 0xAD87);
    EXPECT_EQ(conflict.Rcode(), kRcodeConflict);
    // Each survives its own round trip, pointer included.
    for (const auto& packet :
         {MakeOverwriteDemand(9, name, {kNameGroup, kPc1}, kTtl),
          MakeReleaseRequest(9, name, {0, kPc1}), conflict, MakeNegativeQueryResponse(9, name)}) {
        auto bytes = BuildNamePacket(packet);
        ASSERT_TRUE(bytes);
        EXPECT_EQ(ParseNamePacket(*bytes), packet);
    }
}

TEST(NamePacket, RejectsTruncatedAndInconsistentPackets) {
    std::string registration = lyr::test::Vector("name_registration_request");
    for (size_t cut : {0, 5, 11, 12, 30, 46, 49, 50, 51, 55, 61, 67}) {
        EXPECT_FALSE(ParseNamePacket(registration.substr(0, cut))) << cut;
    }
    std::string more_records = registration;
    more_records[11] = 2;  // ARCOUNT claims a record that is not there
    EXPECT_FALSE(ParseNamePacket(more_records));
    std::string long_rdata = registration;
    long_rdata[61] = 7;  // RDLENGTH past the end
    EXPECT_FALSE(ParseNamePacket(long_rdata));
    std::string loop = registration;
    loop[51] = 50;  // the record's pointer points at itself
    EXPECT_FALSE(ParseNamePacket(loop));
    std::string many = registration;
    many[4] = static_cast<char>(0xFF);  // 65280 questions in 68 bytes
    EXPECT_FALSE(ParseNamePacket(many));

    EXPECT_FALSE(ParseNameOwners(""));
    EXPECT_FALSE(ParseNameOwners("12345"));
    EXPECT_FALSE(
        ParseNodeStatus(std::string("\x02", 1) + std::string(20, 'A')));  // 2 names, 1 there
    auto short_statistics = ParseNodeStatus(std::string("\x00", 1));
    ASSERT_TRUE(short_statistics);
    EXPECT_TRUE(short_statistics->names.empty());
    NodeStatus too_many;
    too_many.names.resize(256);
    EXPECT_FALSE(BuildNodeStatus(too_many));
}

}  // namespace
}  // namespace lyr::netbios
