// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/host_identity.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"
#include "support/turkish_locale.h"

namespace lyr {
namespace {

TEST(HostIdentity, ComputerNameFollowsTheNetbiosRule) {
    EXPECT_EQ(NetbiosNameFromHostName("anna-pc.office.example"), "ANNA-PC");
    EXPECT_EQ(NetbiosNameFromHostName(" mini\t"), "MINI");
    EXPECT_EQ(NetbiosNameFromHostName("averyveryverylonghostname"), "AVERYVERYVERYLO");
    EXPECT_FALSE(NetbiosNameFromHostName("").has_value());
    EXPECT_FALSE(NetbiosNameFromHostName(".local").has_value());
    auto own = ComputerName();
    ASSERT_TRUE(own.has_value());
    EXPECT_LE(own->size(), 15u);
}

TEST(HostIdentity, WorkgroupComesFromTheGlobalSectionOfSmbConf) {
    test::TempDir dir;
    EXPECT_EQ(Workgroup(dir / "missing.conf"), "WORKGROUP");
    test::WriteFile(dir / "smb.conf",
                    "[homes]\n workgroup = WRONG\n[ Global ]\n ; workgroup = COMMENT\n"
                    "   Workgroup =  office\n");
    EXPECT_EQ(Workgroup(dir / "smb.conf"), "OFFICE");
    test::WriteFile(dir / "empty.conf", "[global]\nworkgroup =\n");
    EXPECT_EQ(Workgroup(dir / "empty.conf"), "WORKGROUP");
    test::WriteFile(dir / "windows.conf", "[GLOBAL]\r\n\tWORKGROUP = office\r\n");
    EXPECT_EQ(Workgroup(dir / "windows.conf"), "OFFICE");
}

// Names are upper-cased as NetBIOS does, for the ASCII letters: in a Turkish locale the C
// library's toupper makes "i" a dotted capital.
TEST(HostIdentity, NamesFoldTheSameInATurkishLocale) {
    const test::TurkishLocale turkish;
    if (!turkish.Active()) {
        GTEST_SKIP() << "no Turkish locale here (Debian: locales-all)";
    }
    EXPECT_EQ(NetbiosNameFromHostName("mini-pc.office.example"), "MINI-PC");
    test::TempDir dir;
    test::WriteFile(dir / "smb.conf", "[Global]\n workgroup = office\n");
    EXPECT_EQ(Workgroup(dir / "smb.conf"), "OFFICE");
}

}  // namespace
}  // namespace lyr
