// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <clocale>

#include "contacts/user_data.h"
#include "platform/codepage.h"

namespace lyr {
namespace {

// Runs a test in one locale and goes back to the C locale afterwards.
class InLocale {
public:
    explicit InLocale(const char* name) : active_(std::setlocale(LC_ALL, name) != nullptr) {}
    ~InLocale() { std::setlocale(LC_ALL, "C"); }
    bool Active() const { return active_; }

private:
    bool active_;
};

TUserData Entry(std::string_view name, std::string_view group, uint8_t kind) {
    TUserData entry;
    entry.Name = Utf8ToAnsi(name);
    entry.Group = Utf8ToAnsi(group);
    entry.Kind = kind;
    return entry;
}

std::vector<std::string> SortedNames(std::vector<TUserData> entries) {
    SortBySortKey(entries);
    std::vector<std::string> names;
    for (const auto& entry : entries) {
        names.push_back(AnsiToUtf8(entry.Name));
    }
    return names;
}

// Groups in scrambled order, each with computers; "AB" and "ABC" start alike.
const std::vector<TUserData> kScrambled = {
    Entry("Жуки", "Жуки", 1),
    Entry("pc-ж", "Жуки", 2),
    Entry("ёлка", "ёлка", 1),
    Entry("ABC", "ABC", 1),
    Entry("X", "AB", 2),
    Entry("бухгалтерия", "бухгалтерия", 1),
    Entry("Касса", "бухгалтерия", 2),
    Entry("главбух", "бухгалтерия", 2),
    Entry("Ежи", "Ежи", 1),
    Entry("AB", "AB", 1),
    Entry("админы", "админы", 1),
    Entry("Сервер", "админы", 2),
};

TEST(SortKey, ComputersFollowTheirGroup) {
    EXPECT_EQ(SortKey(Entry("PC1", "WORKGROUP", 2)), "WORKGROUP\\PC1");
    EXPECT_EQ(SortKey(Entry("WORKGROUP", "WORKGROUP", 1)), "WORKGROUP\\");
    EXPECT_EQ(SortKey(WholeNetworkEntry()), Utf8ToAnsi("Вся сеть\\"));
}

TEST(SortKey, RussianLocaleSortsCyrillicAlphabeticallyAndIgnoresCase) {
    InLocale russian("ru_RU.UTF-8");
    ASSERT_TRUE(russian.Active()) << "the ru_RU.UTF-8 locale is missing: run scripts/setup.sh";
    EXPECT_EQ(CompareSortKeys(Utf8ToAnsi("ПК\\"), Utf8ToAnsi("пк\\")), 0);
    EXPECT_EQ(CompareSortKeys("WORKGROUP\\PC1", "workgroup\\pc1"), 0);
    EXPECT_LT(CompareSortKeys(Utf8ToAnsi("Ежи\\"), Utf8ToAnsi("ёлка\\")), 0);   // е before ё
    EXPECT_LT(CompareSortKeys(Utf8ToAnsi("ёлка\\"), Utf8ToAnsi("Жуки\\")), 0);  // ё before ж
    EXPECT_EQ(SortedNames(kScrambled),
              (std::vector<std::string>{"AB", "X", "ABC", "админы", "Сервер", "бухгалтерия",
                                        "главбух", "Касса", "Ежи", "ёлка", "Жуки", "pc-ж"}));
}

TEST(SortKey, CLocaleStillFoldsCaseAndKeepsGroupsTogether) {
    InLocale c_locale("C");
    EXPECT_EQ(CompareSortKeys(Utf8ToAnsi("ПК\\"), Utf8ToAnsi("пк\\")), 0);
    EXPECT_LT(CompareSortKeys(Utf8ToAnsi("админы\\"), Utf8ToAnsi("Бухгалтерия\\")), 0);
    // By code point ё comes after я; everything else stays alphabetical.
    EXPECT_EQ(SortedNames(kScrambled),
              (std::vector<std::string>{"AB", "X", "ABC", "админы", "Сервер", "бухгалтерия",
                                        "главбух", "Касса", "Ежи", "Жуки", "pc-ж", "ёлка"}));
}

}  // namespace
}  // namespace lyr
