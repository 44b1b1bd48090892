// SPDX-License-Identifier: GPL-3.0-or-later
#include "contacts/users_file.h"

#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "support/temp_dir.h"

namespace lyr {
namespace {

TUserData Entry(std::string name, std::string group, uint8_t kind) {
    TUserData entry;
    entry.Name = std::move(name);
    entry.Group = std::move(group);
    entry.Kind = kind;
    return entry;
}

std::vector<TUserData> Read(std::string_view contents) {
    auto entries = ParseUsersFile(contents);
    EXPECT_TRUE(entries.has_value()) << contents;
    return entries.value_or(std::vector<TUserData>{});
}

TEST(UsersFile, WritesTheHeaderAndOneLinePerEntry) {
    test::TempDir dir;
    std::vector<TUserData> list = {WholeNetworkEntry(), Entry("WORKGROUP", "WORKGROUP", 1),
                                   Entry("PC1", "WORKGROUP", 2), Entry("PC9", "", 2)};
    list[2].Checked = true;
    list[3].Reserved = 7;
    WriteUsersFile(dir / "users.dat", list);
    EXPECT_EQ(test::ReadFile(dir / "users.dat"),
              "QUIDELV1.01\r\n"
              "\xC2\xF1\xFF \xF1\xE5\xF2\xFC,,0,0\r\n"  // "Вся сеть" in windows-1251
              "WORKGROUP,WORKGROUP,1,0\r\n"
              "PC1,WORKGROUP,2,0\r\n"
              "PC9,,2,7\r\n");

    // Everything comes back but the ticks, which are never saved.
    auto read = ReadUsersFile(dir / "users.dat");
    ASSERT_TRUE(read.has_value());
    list[2].Checked = false;
    EXPECT_EQ(*read, list);
    EXPECT_EQ(read->front(), WholeNetworkEntry());
}

TEST(UsersFile, HeaderDecidesWhetherTheFileCounts) {
    EXPECT_TRUE(Read("QUIDELV1.01\r\n").empty());
    EXPECT_TRUE(Read("QUIDELV1.01").empty());
    EXPECT_EQ(Read("QUIDELV1.01\nPC1,W,2,0\n").size(), 1u);  // LF-only lines
    for (std::string_view wrong : {"", "\r\n", "QUIDELV1.02\r\nPC1,W,2,0\r\n", "quidelv1.01\r\n",
                                   "QUIDELV1.01 \r\n", "\xEF\xBB\xBFQUIDELV1.01\r\n"}) {
        EXPECT_FALSE(ParseUsersFile(wrong).has_value()) << wrong;
    }
    test::TempDir dir;
    EXPECT_FALSE(ReadUsersFile(dir / "users.dat").has_value());
}

TEST(UsersFile, OddFieldsReadAsTheWindowsProgramReadThem) {
    const auto entries = Read(
        "QUIDELV1.01\r\n"
        "PC1,W,258,513\r\n"  // low eight bits: 2 and 1
        "PC2,W,x,\r\n"       // not numbers: 0
        "PC3,W,-1,+3\r\n"    // -1 keeps its low eight bits
        "PC4,W,2x,99999999999\r\n"
        "\r\n"       // blank: the whole-network kind with an empty name
        "PC5,W\r\n"  // missing fields
        "A,B,2,0,extra,more\r\n"
        ",,,\r\n");
    ASSERT_EQ(entries.size(), 8u);
    EXPECT_EQ(entries[0].Kind, 2);
    EXPECT_EQ(entries[0].Reserved, 1);
    EXPECT_EQ(entries[1].Kind, 0);
    EXPECT_EQ(entries[1].Reserved, 0);
    EXPECT_EQ(entries[2].Kind, 255);
    EXPECT_EQ(entries[2].Reserved, 3);
    EXPECT_EQ(entries[3].Kind, 0);
    EXPECT_EQ(entries[3].Reserved, 0);
    EXPECT_EQ(entries[4], TUserData{});
    EXPECT_EQ(entries[5].Name, "PC5");
    EXPECT_EQ(entries[5].Group, "W");
    EXPECT_EQ(entries[5].Kind, 0);
    EXPECT_EQ(entries[6], Entry("A", "B", 2));
    EXPECT_EQ(entries[7], TUserData{});
    for (const auto& entry : entries) {
        EXPECT_FALSE(entry.Checked);
    }
}

TEST(UsersFile, LinesAreCutAt255Characters) {
    const std::string long_name(300, 'N');
    auto entries = Read("QUIDELV1.01\r\n" + long_name + ",G,2,0\r\nNEXT,G,2,0\r\n");
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].Name, std::string(255, 'N'));
    EXPECT_EQ(entries[0].Group, "");
    EXPECT_EQ(entries[1].Name, "NEXT");

    // Writing cuts the whole line, so a long name can take the group and numbers with it.
    std::string written = FormatUsersFile({Entry(std::string(250, 'N'), "GROUPNAME", 2)});
    EXPECT_EQ(written, "QUIDELV1.01\r\n" + std::string(250, 'N') + ",GROU\r\n");
    entries = Read(written);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].Group, "GROU");
    EXPECT_EQ(entries[0].Kind, 0);
}

TEST(UsersFile, LineBreakInANameDoesNotMakeUpAnEntry) {
    const auto entries =
        Read(FormatUsersFile({Entry("EVIL\r\nFAKE,G,2,0", "G", 2), Entry("PC", "G", 2)}));
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0], Entry("EVIL", "G", 2));
}

}  // namespace
}  // namespace lyr
