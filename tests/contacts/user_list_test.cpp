// SPDX-License-Identifier: GPL-3.0-or-later
#include "contacts/user_list.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "contacts/recording_window.h"
#include "platform/codepage.h"
#include "platform/error.h"
#include "support/temp_dir.h"

namespace lyr {
namespace {

using Button = UserList::MouseButton;

TUserData Group(const std::string& name) {
    TUserData entry;
    entry.Name = name;
    entry.Group = name;
    entry.Kind = TUserData::kGroup;
    return entry;
}

TUserData Computer(const std::string& name, const std::string& group) {
    TUserData entry;
    entry.Name = name;
    entry.Group = group;
    entry.Kind = TUserData::kComputer;
    return entry;
}

class FakeAddUserDialog final : public AddUserDialog {
public:
    std::optional<NewUser> ShowModal(const std::vector<std::string>& groups) override {
        shown.push_back(groups);
        return answer;
    }
    std::optional<NewUser> answer;
    std::vector<std::vector<std::string>> shown;
};

class UserListTest : public ::testing::Test {
protected:
    // Rows 0 to 7: the whole network, WG1 with a and b, WG2 with c, d and e.
    void UseSortedNetwork() {
        list.Replace({WholeNetworkEntry(), Group("WG1"), Computer("a", "WG1"), Computer("b", "WG1"),
                      Group("WG2"), Computer("c", "WG2"), Computer("d", "WG2"),
                      Computer("e", "WG2")});
        window.ClearLog();
    }

    // A left press in the middle of a row's text.
    void Press(size_t row) {
        list.UserListMouseDown(Button::Left, 100, static_cast<int>(row) * UserList::kRowHeight + 8,
                               0);
    }

    // One character a row: x ticked, . not.
    std::string Ticks() const {
        std::string ticks;
        for (const auto& entry : list.Entries()) {
            ticks += entry.Checked ? 'x' : '.';
        }
        return ticks;
    }

    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& entry : list.Entries()) {
            names.push_back(AnsiToUtf8(entry.Name));
        }
        return names;
    }

    std::string InfoText() { return AnsiToUtf8(window.InfoText()); }

    size_t Count(const std::string& event) {
        const auto log = window.Log();
        return static_cast<size_t>(std::count(log.begin(), log.end(), event));
    }

    test::TempDir dir;
    test::RecordingWindow window;
    UserList list{window, window, dir / "users.dat"};
};

TEST_F(UserListTest, TickingAComputerUnticksItsGroupAndTheWholeNetworkBothWays) {
    UseSortedNetwork();
    Press(0);
    EXPECT_EQ(Ticks(), "xxxxxxxx");
    EXPECT_EQ(InfoText(), "Выбрано: 5");

    Press(2);  // unticking a
    EXPECT_EQ(Ticks(), "...xxxxx");
    EXPECT_EQ(InfoText(), "Выбрано: 4");

    Press(2);  // ticking it again leaves its group and the whole network unticked
    EXPECT_EQ(Ticks(), "..xxxxxx");
    EXPECT_EQ(InfoText(), "Выбрано: 5");

    Press(4);  // WG2 off, then ticking e under a ticked group unticks the group
    Press(4);
    EXPECT_EQ(Ticks(), "..xxxxxx");
    Press(7);
    EXPECT_EQ(Ticks(), "..xx.xx.");
    EXPECT_EQ(InfoText(), "Выбрано: 4");
}

TEST_F(UserListTest, TickingAGroupReachesToTheNextGroupOrTheEnd) {
    UseSortedNetwork();
    Press(4);  // the last group, three computers: everything to the end
    EXPECT_EQ(Ticks(), "....xxxx");
    EXPECT_EQ(InfoText(), "Выбрано: 3");

    Press(1);  // stops before WG2; the whole network is not ticked by its parts
    EXPECT_EQ(Ticks(), ".xxxxxxx");
    EXPECT_EQ(InfoText(), "Выбрано: 5");

    Press(1);
    EXPECT_EQ(Ticks(), "....xxxx");
    EXPECT_EQ(InfoText(), "Выбрано: 3");

    Press(0);  // everything, then WG1 off: the whole network goes off with it
    Press(1);
    EXPECT_EQ(Ticks(), "....xxxx");
    EXPECT_EQ(InfoText(), "Выбрано: 3");
}

TEST_F(UserListTest, TheWholeNetworkTicksAndUnticksEveryEntry) {
    UseSortedNetwork();
    Press(2);
    Press(4);
    Press(0);
    EXPECT_EQ(Ticks(), "xxxxxxxx");
    EXPECT_EQ(InfoText(), "Выбрано: 5");
    Press(0);
    EXPECT_EQ(Ticks(), "........");
    EXPECT_EQ(InfoText(), "Выбрано: 0");
}

TEST_F(UserListTest, APressTicksOnlyOnTheImageOrTextOfAnExistingRow) {
    UseSortedNetwork();
    const int computer_row_y = 2 * UserList::kRowHeight;
    const int group_row_y = 1 * UserList::kRowHeight;

    // In the indentation: nothing toggles, no count is shown, but the list is repainted.
    list.UserListMouseDown(Button::Left, 31, computer_row_y, 0);
    list.UserListMouseDown(Button::Left, 15, group_row_y + 15, 0);
    // Below the last row, and above the first.
    list.UserListMouseDown(Button::Left, 100, 8 * UserList::kRowHeight, 0);
    list.UserListMouseDown(Button::Left, 100, -1, 0);
    EXPECT_EQ(Ticks(), "........");
    EXPECT_EQ(Count("repaint list"), 4u);
    EXPECT_EQ(window.InfoText(), "");

    // Other buttons do nothing at all, not even a repaint.
    list.UserListMouseDown(Button::Right, 100, computer_row_y, 0);
    list.UserListMouseDown(Button::Middle, 100, computer_row_y, 0);
    EXPECT_EQ(Ticks(), "........");
    EXPECT_EQ(Count("repaint list"), 4u);

    // On the image itself.
    list.UserListMouseDown(Button::Left, 32, computer_row_y + 15, 0);
    EXPECT_EQ(Ticks(), "..x.....");
    list.UserListMouseDown(Button::Left, 16, group_row_y, 0);
    EXPECT_EQ(Ticks(), ".xxx....");
    list.UserListMouseDown(Button::Left, 0, 0, 0);
    EXPECT_EQ(Ticks(), "xxxxxxxx");
    EXPECT_EQ(Count("repaint list"), 7u);
}

TEST_F(UserListTest, APressCountsRowsFromTheScrolledTop) {
    UseSortedNetwork();
    // Scrolled down by three rows and a half: the top of the viewport shows half of row 3.
    list.UserListMouseDown(Button::Left, 100, 0, 3 * UserList::kRowHeight + 8);
    EXPECT_EQ(Ticks(), "...x....");
    list.UserListMouseDown(Button::Left, 100, 8, 3 * UserList::kRowHeight + 8);  // WG2
    EXPECT_EQ(Ticks(), "...xxxxx");
}

TEST_F(UserListTest, ADisabledListTakesNoPressesAndNoAdditions) {
    UseSortedNetwork();
    list.SetEnabled(false);
    window.ClearLog();
    Press(0);
    FakeAddUserDialog dialog;
    dialog.answer = NewUser{"PC9", "WG1"};
    list.N13Click(dialog);
    EXPECT_EQ(Ticks(), "........");
    EXPECT_TRUE(dialog.shown.empty());
    EXPECT_TRUE(window.Log().empty());

    list.SetEnabled(true);
    Press(0);
    EXPECT_EQ(Ticks(), "xxxxxxxx");
}

TEST_F(UserListTest, ReadUsersFileReplacesTheListOnlyWhenTheFileCounts) {
    UseSortedNetwork();
    Press(0);
    const auto before = list.Entries();

    EXPECT_FALSE(list.ReadUsersFile());  // no file
    test::WriteFile(dir / "users.dat", "QUIDELV1.02\r\nPC1,WG,2,0\r\n");
    EXPECT_FALSE(list.ReadUsersFile());
    EXPECT_EQ(list.Entries(), before);

    test::WriteFile(dir / "users.dat", "QUIDELV1.01\r\n");
    EXPECT_TRUE(list.ReadUsersFile());
    EXPECT_TRUE(list.Empty());
    EXPECT_EQ(Count("contents changed"), 1u);

    // Loaded entries start unticked and keep the file's order, sorted or not.
    test::WriteFile(dir / "users.dat", "QUIDELV1.01\r\nPC2,WG2,2,0\r\nWG2,WG2,1,0\r\n");
    EXPECT_TRUE(list.ReadUsersFile());
    EXPECT_EQ(list.Entries(), (std::vector{Computer("PC2", "WG2"), Group("WG2")}));
}

TEST_F(UserListTest, AFileThatCannotBeReadLeavesTheListAsItWas) {
    UseSortedNetwork();
    Press(1);
    const auto before = list.Entries();
    std::filesystem::create_directory(dir / "users.dat");
    EXPECT_THROW(list.ReadUsersFile(), Exception);
    EXPECT_EQ(list.Entries(), before);

    UserList elsewhere(window, window, dir / "missing" / "users.dat");
    EXPECT_THROW(elsewhere.WriteUsersFile(), Exception);
}

TEST_F(UserListTest, LoadedKindsTickAsTheKindTheyReadAs) {
    test::WriteFile(dir / "users.dat",
                    "QUIDELV1.01\r\n"
                    "WG,WG,1,0\r\n"
                    "PC1,WG,258,0\r\n"  // a computer
                    "PC2,WG,x,0\r\n");  // the whole-network kind
    ASSERT_TRUE(list.ReadUsersFile());
    list.UserListMouseDown(Button::Left, 32, 1 * UserList::kRowHeight, 0);  // PC1's image
    EXPECT_EQ(Ticks(), ".x.");
    EXPECT_EQ(InfoText(), "Выбрано: 1");
    list.UserListMouseDown(Button::Left, 0, 2 * UserList::kRowHeight, 0);  // PC2 at the left edge
    EXPECT_EQ(Ticks(), "xxx");
    EXPECT_EQ(InfoText(), "Выбрано: 1");
}

TEST_F(UserListTest, AddUserPutsTheComputerAtItsSortedPlaceAndKeepsTheTicks) {
    // As loaded from a file that was edited: not in order.
    list.Replace({WholeNetworkEntry(), Group("WG2"), Computer("c", "WG2"), Group("wg1"),
                  Computer("B", "wg1")});
    list.UserListMouseDown(Button::Left, 100, 4 * UserList::kRowHeight, 0);  // B
    FakeAddUserDialog dialog;
    dialog.answer = NewUser{"a", "wg1"};
    list.N13Click(dialog);

    ASSERT_EQ(dialog.shown.size(), 1u);
    EXPECT_EQ(dialog.shown[0], (std::vector<std::string>{"WG2", "wg1"}));
    EXPECT_EQ(Names(), (std::vector<std::string>{"Вся сеть", "wg1", "a", "B", "WG2", "c"}));
    EXPECT_EQ(Ticks(), "...x..");
    EXPECT_EQ(list.Entries()[2], Computer("a", "wg1"));

    // With no group chosen the computer goes directly under the whole network.
    dialog.answer = NewUser{"PC9", ""};
    list.N13Click(dialog);
    EXPECT_EQ(Names(), (std::vector<std::string>{"Вся сеть", "PC9", "wg1", "a", "B", "WG2", "c"}));

    dialog.answer.reset();  // cancelled
    list.N13Click(dialog);
    EXPECT_EQ(list.Entries().size(), 7u);
}

TEST_F(UserListTest, AddingToAnEmptyListStartsItWithTheWholeNetwork) {
    FakeAddUserDialog dialog;
    dialog.answer = NewUser{std::string(300, 'N'), std::string(256, 'G')};
    list.N13Click(dialog);
    ASSERT_EQ(dialog.shown.size(), 1u);
    EXPECT_TRUE(dialog.shown[0].empty());
    ASSERT_EQ(list.Entries().size(), 2u);
    EXPECT_EQ(list.Entries()[0], WholeNetworkEntry());
    EXPECT_EQ(list.Entries()[1], Computer(std::string(255, 'N'), std::string(255, 'G')));
    Press(0);
    EXPECT_EQ(InfoText(), "Выбрано: 1");
}

TEST_F(UserListTest, WhatIsSavedComesBackUnticked) {
    UseSortedNetwork();
    FakeAddUserDialog dialog;
    dialog.answer = NewUser{"PC9", ""};
    list.N13Click(dialog);
    Press(0);
    list.WriteUsersFile();

    UserList loaded(window, window, dir / "users.dat");
    ASSERT_TRUE(loaded.ReadUsersFile());
    auto expected = list.Entries();
    for (auto& entry : expected) {
        entry.Checked = false;
    }
    EXPECT_EQ(loaded.Entries(), expected);
    EXPECT_EQ(loaded.Entries()[0], WholeNetworkEntry());
    EXPECT_EQ(loaded.Entries()[1], Computer("PC9", ""));
}

}  // namespace
}  // namespace lyr
