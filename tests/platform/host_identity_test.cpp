// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/host_identity.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace lyr {
namespace {

TEST(HostIdentity, ComputerNameFollowsTheNetbiosRule) {
    EXPECT_EQ(NetbiosNameFromHostName("anna-pc.office.example"), "ANNA-PC");
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
}

}  // namespace
}  // namespace lyr
