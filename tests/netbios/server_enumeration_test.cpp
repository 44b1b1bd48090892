// SPDX-License-Identifier: GPL-3.0-or-later
#include "netbios/server_enumeration.h"

#include <gtest/gtest.h>

#include "netbios/browser_frames.h"
#include "netbios/byte_io.h"

namespace lyr::netbios {
namespace {

// SERVER_INFO_1 as MS-RAP lays it out: the name in 16 bytes, the version, the type, and the
// comment's place as a pointer whose low half, less the converter, is its offset in the data.
std::string ServerInfo1(std::string_view name, uint32_t type, uint32_t comment_pointer) {
    ByteWriter writer;
    writer.Raw(std::string(name).append(16 - name.size(), '\0'));
    writer.U8(6);
    writer.U8(1);
    writer.U32LE(type);
    writer.U32LE(comment_pointer);
    return writer.Take();
}

std::string Parameters(uint16_t status, uint16_t converter, uint16_t returned) {
    ByteWriter writer;
    writer.U16LE(status);
    writer.U16LE(converter);
    writer.U16LE(returned);
    writer.U16LE(returned);
    return writer.Take();
}

TEST(ServerEnumeration, RequestAndReplyAsMsRapLaysThemOut) {
    EXPECT_EQ(
        NetServerEnum2Parameters(0xFFFFFFFF, "OFFICE", 0xFFFF),
        std::string("\x68\x00WrLehDz\0B16BBDz\0\x01\x00\xFF\xFF\xFF\xFF\xFF\xFFOFFICE\0", 33));
    EXPECT_EQ(NetServerEnum2Parameters(kServerTypeDomainEnum, "", 0x1000),
              std::string("\x68\x00WrLehDO\0B16BBDz\0\x01\x00\x00\x10\x00\x00\x00\x80", 26));

    const uint16_t converter = 0x1234;
    const std::string comments("Склад\0\0", 12);  // at 52 and at 63
    std::string data = ServerInfo1("PC2", 0x1003, converter + 52) +
                       ServerInfo1("FILES", 0x9003, converter + 63) + comments;
    auto servers = ParseNetServerEnum2Reply(Parameters(0, converter, 2), data);
    ASSERT_TRUE(servers);
    EXPECT_EQ(*servers,
              (std::vector<EnumeratedServer>{{"PC2", 0x1003, "Склад"}, {"FILES", 0x9003, ""}}));
    // "More data": what came is taken.
    EXPECT_EQ(ParseNetServerEnum2Reply(Parameters(234, converter, 2), data)->size(), 2u);
}

TEST(ServerEnumeration, HostileRepliesGiveNoMoreThanTheyHold) {
    const std::string one = ServerInfo1("PC2", 0x1003, 0x7FFF);
    EXPECT_FALSE(ParseNetServerEnum2Reply(Parameters(5, 0, 1), one));  // access denied
    EXPECT_FALSE(ParseNetServerEnum2Reply(std::string("\0\0\0", 3), one));
    // More entries claimed than the data holds; comments pointing outside it; a record cut off.
    auto servers = ParseNetServerEnum2Reply(Parameters(0, 0, 0xFFFF), one + one.substr(0, 20));
    ASSERT_TRUE(servers);
    EXPECT_EQ(*servers, (std::vector<EnumeratedServer>{{"PC2", 0x1003, ""}}));
    auto far = ParseNetServerEnum2Reply(Parameters(0, 100, 1), ServerInfo1("PC3", 1, 0xFFFFFF));
    EXPECT_EQ(far->front().comment, "");
    // A name filling its 16 bytes without a NUL is cut at the field's end.
    auto full =
        ParseNetServerEnum2Reply(Parameters(0, 0, 1), ServerInfo1("ABCDEFGHIJKLMNOP", 1, 0));
    EXPECT_EQ(full->front().name, "ABCDEFGHIJKLMNOP");
}

TEST(ServerEnumeration, BackupListFramesAsMsBrwsLaysThemOut) {
    EXPECT_EQ(BuildGetBackupListRequest({4, 0x01020304}),
              std::string("\x09\x04\x04\x03\x02\x01", 6));
    auto response = ParseGetBackupListResponse(std::string("\x0A\x02\x07\0\0\0NMBD\0PC9\0", 15));
    ASSERT_TRUE(response);
    EXPECT_EQ(*response, (GetBackupListResponse{7, {"NMBD", "PC9"}}));
    // Fewer names than counted, a name without its NUL, a frame cut short.
    EXPECT_EQ(ParseGetBackupListResponse(std::string("\x0A\x05\x07\0\0\0NMBD\0PC9", 14))->servers,
              std::vector<std::string>{"NMBD"});
    EXPECT_FALSE(ParseGetBackupListResponse(std::string("\x0A\x01\x07\0", 4)));
    EXPECT_FALSE(ParseGetBackupListResponse(std::string("\x09\x01\x07\0\0\0", 6)));
}

}  // namespace
}  // namespace lyr::netbios
