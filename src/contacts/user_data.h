// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lyr {

// One entry of the user list. Names are in the ANSI code page, at most kMaxUserField bytes.
struct TUserData {
    static constexpr uint8_t kWholeNetwork = 0;
    static constexpr uint8_t kGroup = 1;
    static constexpr uint8_t kComputer = 2;

    std::string Name;   // computer: its address; group: the group; whole network: "Вся сеть"
    std::string Group;  // computer: its group; group: its own name again; whole network: empty
    uint8_t Reserved = 0;
    uint8_t Kind = kWholeNetwork;  // also the entry's depth in the list
    bool Checked = false;          // ticked as a recipient; never saved

    friend bool operator==(const TUserData&, const TUserData&) = default;
};

constexpr size_t kMaxUserField = 255;

// The entry at the head of every list, "Вся сеть" in the ANSI code page.
TUserData WholeNetworkEntry();

// The key that orders the list: a computer's is Group\Name, a group's (and the whole network's)
// is Name\, so each group sorts directly before its own computers.
std::string SortKey(const TUserData& entry);

// Compares two sort keys without regard to case in the collation of the current locale
// (LC_COLLATE), as < 0, 0 or > 0. The keys are ANSI text. The parts between backslashes are
// compared one after the other, since a locale may pass over punctuation and would then put a
// group's computers after a longer group name that starts like it ("AB\X" after "ABC\").
int CompareSortKeys(std::string_view left, std::string_view right);

// Sorts entries by their sort keys, keeping the order of entries with equal keys.
void SortBySortKey(std::vector<TUserData>& entries);

}  // namespace lyr
