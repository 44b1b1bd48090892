// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/ascii_case.h"

#include <gtest/gtest.h>

#include "support/turkish_locale.h"

namespace lyr {
namespace {

TEST(AsciiCase, FoldsTheAsciiLettersAloneWhateverTheLocale) {
    const test::TurkishLocale turkish;
    if (!turkish.Active()) {
        GTEST_SKIP() << "no Turkish locale here (Debian: locales-all)";
    }
    EXPECT_EQ(ToUpperAscii("mailslot\\messngr"), "MAILSLOT\\MESSNGR");
    EXPECT_EQ(ToLowerAscii("MAILSLOT\\MESSNGR"), "mailslot\\messngr");
    EXPECT_TRUE(EqualsIgnoringCase("\\MAILSLOT\\Messngr", "\\mailslot\\mESSNGR"));
    EXPECT_FALSE(EqualsIgnoringCase("MAILSLOT", "MAILSLOTS"));
    // Bytes beyond ASCII (here "Иван" in Windows-1251) are names' own and stay as they are.
    EXPECT_EQ(ToUpperAscii("\xC8\xE2\xE0\xED"), "\xC8\xE2\xE0\xED");
    EXPECT_FALSE(EqualsIgnoringCase("\xC8", "\xE8"));
}

}  // namespace
}  // namespace lyr
