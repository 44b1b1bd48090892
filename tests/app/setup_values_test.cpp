// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/setup_values.h"

#include <gtest/gtest.h>

namespace lyr {
namespace {

TEST(SetupValues, RescanTimeInWholeMinutesFromOneToSixty) {
    EXPECT_EQ(RescanMinutes(3600000), 60);
    EXPECT_EQ(RescanMinutes(7200000), 60);
    EXPECT_EQ(RescanMinutes(119999), 1);
    EXPECT_EQ(RescanMinutes(120000), 2);
    EXPECT_EQ(RescanMinutes(59999), 1);
    EXPECT_EQ(RescanMinutes(0), 1);
    EXPECT_EQ(RescanMinutes(-600000), 1);
}

TEST(SetupValues, SpinTextsThatAreNoNumberCountAsOneMinute) {
    EXPECT_EQ(RescanMinutesFromText("15"), 15);
    EXPECT_EQ(RescanMinutesFromText("60"), 60);
    EXPECT_EQ(RescanMinutesFromText("61"), 60);
    EXPECT_EQ(RescanMinutesFromText("0"), 1);
    EXPECT_EQ(RescanMinutesFromText("-5"), 1);
    EXPECT_EQ(RescanMinutesFromText(""), 1);
    EXPECT_EQ(RescanMinutesFromText("abc"), 1);
    EXPECT_EQ(RescanMinutesFromText("12x"), 1);
    EXPECT_EQ(RescanMinutesFromText("99999999999999999999"), 1);
}

TEST(SetupValues, SkinDirectoryIsThePathBeforeTheLastSeparator) {
    EXPECT_EQ(SkinDirectoryPart("/home/user/skins/base.wsz"), "/home/user/skins");
    EXPECT_EQ(SkinDirectoryPart("/home/user/skins/"), "/home/user/skins");
    EXPECT_EQ(SkinDirectoryPart("/base.wsz"), "/");
    EXPECT_EQ(SkinDirectoryPart("skins/base.wsz"), "skins");
    EXPECT_EQ(SkinDirectoryPart("base.wsz"), "");
    EXPECT_EQ(SkinDirectoryPart("BASE"), "");
    EXPECT_EQ(SkinDirectoryPart(""), "");
    EXPECT_EQ(SkinDirectoryPart("/skins//base.wsz"), "/skins//");
}

}  // namespace
}  // namespace lyr
