// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "netbios/mailslot_write.h"
#include "netbios/vectors.h"
#include "support/turkish_locale.h"

namespace lyr::netbios {
namespace {

constexpr size_t kSmbStart = 82;  // after the datagram header and two names

std::string Smb(const std::string& vector) {
    return lyr::test::Vector(vector).substr(kSmbStart);
}

TEST(MailslotWrite, MatchesTheGoldenWritesInBothStyles) {
    struct Case {
        const char* vector;
        const char* mailslot;
        MailslotWriteStyle style;
    } cases[] = {
        {"messenger_unique", "\\MAILSLOT\\MESSNGR", MailslotWriteStyle::Messenger},
        {"messenger_group", "\\MAILSLOT\\MESSNGR", MailslotWriteStyle::Messenger},
        {"messenger_max", "\\MAILSLOT\\MESSNGR", MailslotWriteStyle::Messenger},
        {"host_announcement", "\\MAILSLOT\\BROWSE", MailslotWriteStyle::Browser},
        {"announcement_request", "\\MAILSLOT\\BROWSE", MailslotWriteStyle::Browser},
        {"domain_announcement", "\\MAILSLOT\\BROWSE", MailslotWriteStyle::Browser},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.vector);
        std::string smb = Smb(c.vector);
        auto parsed = ParseMailslotWrite(smb);
        ASSERT_TRUE(parsed);
        EXPECT_EQ(parsed->mailslot_name, c.mailslot);
        EXPECT_EQ(parsed->mailslot_class, 2);
        EXPECT_EQ(BuildMailslotWrite(c.mailslot, parsed->data, c.style), smb);
    }
    EXPECT_EQ(ParseMailslotWrite(Smb("messenger_unique"))->data, std::string("ANNA\0PC1\0hi", 11));
}

TEST(MailslotWrite, TheMessengerSlotTakesAtMost424Bytes) {
    EXPECT_EQ(MaxMailslotDataSize("MESSNGR"), 424u);
    EXPECT_EQ(MaxMailslotDataSize("BROWSE"), 424u);
    EXPECT_EQ(MaxMailslotDataSize("ABCD"), 428u);
    EXPECT_EQ(MaxMailslotDataSize("ABCDEFGHI"), 420u);
    EXPECT_EQ(MaxMailslotDataSize(std::string(500, 'x')), 0u);
    std::string largest = Smb("messenger_max");
    EXPECT_EQ(largest.size(), 512u);
    EXPECT_EQ(ParseMailslotWrite(largest)->data.size(), MaxMailslotDataSize("MESSNGR"));
}

TEST(MailslotWrite, FindsTheDataOnlyThroughItsOffsetAndCount) {
    // A sender that puts the data elsewhere, with a ByteCount that disagrees, is read as it says.
    std::string smb = *BuildMailslotWrite("\\MAILSLOT\\MESSNGR", "hello");
    smb += "tail";
    smb[57] = static_cast<char>(smb.size() - 4);  // DataOffset -> "tail"
    smb[55] = 4;                                  // DataCount
    smb[35] = 4;                                  // TotalDataCount
    smb[67] = 1;                                  // ByteCount
    EXPECT_EQ(ParseMailslotWrite(smb)->data, "tail");
}

TEST(MailslotWrite, RejectsHostileTransactions) {
    std::string smb = Smb("messenger_unique");
    auto with = [&](size_t offset, char value) {
        std::string changed = smb;
        changed[offset] = value;
        return changed;
    };
    EXPECT_FALSE(ParseMailslotWrite(with(57, 0x60)));  // data past the end
    EXPECT_FALSE(ParseMailslotWrite(with(58, 0x01)));  // offset far outside
    std::string long_count = with(55, 0x0C);
    long_count[35] = 0x0C;
    EXPECT_FALSE(ParseMailslotWrite(long_count));                             // count past the end
    EXPECT_FALSE(ParseMailslotWrite(with(35, 0x20)));                         // more parts follow
    EXPECT_FALSE(ParseMailslotWrite(with(32, 0x10)));                         // word count
    EXPECT_FALSE(ParseMailslotWrite(with(61, 0x02)));                         // not a write
    EXPECT_FALSE(ParseMailslotWrite(with(4, 0x72)));                          // another command
    EXPECT_FALSE(ParseMailslotWrite(with(0, 0xFE)));                          // SMB2 or junk
    EXPECT_FALSE(ParseMailslotWrite(smb.substr(0, 87).replace(86, 1, "R")));  // name without NUL
    for (size_t cut : {0, 4, 31, 32, 50, 68, 70, 88, 98}) {
        EXPECT_FALSE(ParseMailslotWrite(smb.substr(0, cut))) << cut;
    }
    EXPECT_FALSE(BuildMailslotWrite(std::string("\\MAILSLOT\\A\0B", 13), "x"));
}

TEST(MailslotWrite, SlotNamesCompareWithoutCase) {
    EXPECT_EQ(SlotOfMailslotName("\\MAILSLOT\\MESSNGR"), "MESSNGR");
    EXPECT_EQ(SlotOfMailslotName("\\mailslot\\messngr"), "messngr");
    EXPECT_EQ(SlotOfMailslotName("\\MailSlot\\sub\\dir"), "sub\\dir");
    EXPECT_FALSE(SlotOfMailslotName("\\PIPE\\MESSNGR"));
    EXPECT_FALSE(SlotOfMailslotName("\\MAILSLOT\\"));
    EXPECT_FALSE(SlotOfMailslotName("MESSNGR"));
    // Nor does the locale change them: in Turkish, toupper('i') is no 'I'.
    const test::TurkishLocale turkish;
    EXPECT_EQ(SlotOfMailslotName("\\mailslot\\messngr"), "messngr");
}

}  // namespace
}  // namespace lyr::netbios
