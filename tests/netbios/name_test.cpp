// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "netbios/netbios_name.h"
#include "netbios/vectors.h"

namespace lyr::netbios {
namespace {

std::string Decoded(const std::string& packet, size_t offset, bool pointers) {
    auto name = DecodeName(packet, offset, pointers);
    return name ? name->name.ToString() + "|" + name->scope + "|" + std::to_string(offset) : "none";
}

TEST(NetbiosName, EncodesTheFirstLevelFormsPeersExpect) {
    EXPECT_EQ(*EncodeName(NetbiosName::Make("PC1", kMessengerSuffix)),
              std::string("\x20"
                          "FAEDDBCACACACACACACACACACACACAAD",
                          33) +
                  std::string(1, '\0'));
    EXPECT_EQ(EncodeName(NetbiosName::Wildcard())->substr(1, 32),
              "CKAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA");
    EXPECT_EQ(EncodeName(NetbiosName::MasterBrowsers())->substr(1, 32),
              "ABACFPFPENFDECFCEPFHFDEFFPFPACAB");
    // The example name with a scope: length, 32 characters, then the scope as labels.
    auto fred = *EncodeName(NetbiosName::Make("FRED", ' '), "NETBIOS.COM");
    EXPECT_EQ(fred, std::string("\x20"
                                "EGFCEFEECACACACACACACACACACACACA"
                                "\x07"
                                "NETBIOS"
                                "\x03"
                                "COM",
                                45) +
                        std::string(1, '\0'));
    size_t offset = 0;
    auto back = DecodeName(fred, offset, false);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->name.ToString(), "FRED<20>");
    EXPECT_EQ(back->scope, "NETBIOS.COM");
    EXPECT_EQ(offset, fred.size());

    EXPECT_FALSE(EncodeName(NetbiosName::Make("X", 0), "bad..scope"));
    EXPECT_FALSE(EncodeName(NetbiosName::Make("X", 0), std::string(64, 'a')));
    EXPECT_FALSE(EncodeName(NetbiosName::Make("X", 0), "trailing."));
}

TEST(NetbiosName, MakePadsCutsAndShowsNames) {
    auto name = NetbiosName::Make("A-VERY-LONG-COMPUTER-NAME", 0x03);
    EXPECT_EQ(name.Base(), "A-VERY-LONG-COM");
    EXPECT_EQ(name.ToString(), "A-VERY-LONG-COM<03>");
    EXPECT_EQ(NetbiosName::Make("PC1", 0).bytes[3], ' ');
    EXPECT_EQ(NetbiosName::MasterBrowsers().ToString(), "\\x01\\x02__MSBROWSE__\\x02<01>");
    EXPECT_NE(NetbiosName::Make("pc1", 3), NetbiosName::Make("PC1", 3));  // raw bytes compare
}

TEST(NetbiosName, FollowsCompressionPointersOnlyWhereAllowedAndOnlyBackwards) {
    std::string packet = lyr::test::Vector("name_registration_request");
    // The additional record's name is the pointer C0 0C at offset 50.
    EXPECT_EQ(Decoded(packet, 50, true), "ANNA-PC<03>||52");
    EXPECT_EQ(Decoded(packet, 50, false), "none");

    std::string name = *EncodeName(NetbiosName::Make("PC1", 3));
    std::string self_loop = std::string(12, '\0') + "\xC0\x0C";
    EXPECT_EQ(Decoded(self_loop, 12, true), "none");
    // Two pointers that point at each other.
    std::string ping_pong = std::string(12, '\0') +
                            "\xC0\x0E"
                            "\xC0\x0C";
    EXPECT_EQ(Decoded(ping_pong, 14, true), "none");
    // A pointer forward, to a name that follows.
    std::string forward = std::string(12, '\0') + "\xC0\x0E" + name;
    EXPECT_EQ(Decoded(forward, 12, true), "none");
    // A pointer to a name that ends in a pointer to an earlier name is fine.
    std::string chain = name + std::string("\xC0\x00", 2) + "\xC0\x22";
    EXPECT_EQ(Decoded(chain, 36, true), "PC1<03>||38");
}

TEST(NetbiosName, RejectsMalformedEncodings) {
    std::string name = *EncodeName(NetbiosName::Make("PC1", 3));
    EXPECT_EQ(Decoded(name, 0, false), "PC1<03>||34");
    EXPECT_EQ(Decoded(name.substr(0, 33), 0, false), "none");  // no terminator
    EXPECT_EQ(Decoded(name.substr(0, 20), 0, false), "none");  // label past the end
    EXPECT_EQ(Decoded("", 0, false), "none");
    EXPECT_EQ(Decoded(name, 40, false), "none");  // offset past the end
    std::string bad_character = name;
    bad_character[5] = 'Q';
    EXPECT_EQ(Decoded(bad_character, 0, false), "none");
    std::string short_label = std::string("\x10") + std::string(16, 'A') + std::string(1, '\0');
    EXPECT_EQ(Decoded(short_label, 0, false), "none");
    EXPECT_EQ(Decoded(std::string(1, '\0'), 0, false), "none");  // empty name
    // Reserved label types 01 and 10.
    EXPECT_EQ(Decoded(name.substr(0, 33) + "\x41" + std::string(65, 'x') + '\0', 0, false), "none");
    // Scope labels beyond the 255-byte limit of a name.
    std::string long_scope = name.substr(0, 33);
    for (int i = 0; i < 5; ++i) {
        long_scope += std::string(1, '\x3F') + std::string(63, 's');
    }
    EXPECT_EQ(Decoded(long_scope + '\0', 0, false), "none");
}

}  // namespace
}  // namespace lyr::netbios
