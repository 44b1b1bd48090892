// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "contacts/addressee_list.h"
#include "contacts/user_data.h"
#include "contacts/views.h"

namespace lyr {

// The list of addressees on the main window, in the order it is shown and sent to. Its shape,
// on which ticking and sending rely: entry 0 is the whole network; a group's members are the
// entries that follow it up to the next group. The sort keys (SortKey) follow from the entries.
// Everything here runs on the UI thread.
class UserList final : public AddresseeList {
public:
    static constexpr int kRowHeight = 16;
    static constexpr int kIndentPerKind = 16;

    enum class MouseButton { Left, Right, Middle, Other };

    // `users_file` is DataDir's users.dat. The view and the label must outlive the list.
    UserList(UserListView& view, StatusLabel& status, std::filesystem::path users_file);

    // The entries in list order, for the send routine and the drawing of the rows.
    const std::vector<TUserData>& Entries() const override { return entries_; }
    bool Empty() const override { return entries_.empty(); }

    // Replaces the whole list with the entries of users.dat and returns true; returns false and
    // keeps the list when the file is missing or does not start with its header. Throws
    // lyr::Exception when the file cannot be read, the list then unchanged.
    bool ReadUsersFile() override;
    // Rewrites users.dat from the list, atomically. Throws lyr::Exception when it cannot.
    void WriteUsersFile() const override;

    // Replaces the whole list (a scan's result); the entries it held are dropped.
    void Replace(std::vector<TUserData> entries);
    void Clear() { Replace({}); }

    // While disabled (a scan runs) the list takes neither presses nor additions.
    void SetEnabled(bool enabled);
    bool Enabled() const { return enabled_; }

    // A mouse press at (x, y) of the list's viewport, whose top lies `scroll_offset` pixels below
    // the top of row 0 (16 times the top row's index when the view scrolls by rows). A left press
    // on an entry's image or text ticks or unticks it with its group semantics and shows the
    // count; every left press repaints the list.
    void UserListMouseDown(MouseButton button, int x, int y, int scroll_offset);

    // The number of ticked computers.
    int CountChecked() const;

    // The groups offered in the add-user dialog's DomainBox: every group entry's Group, in list
    // order.
    std::vector<std::string> DomainBoxGroups() const;
    // The menu command "Добавить пользователя...": asks the dialog, then adds what it returns.
    void N13Click(AddUserDialog& dialog);
    // Adds a computer at its sorted place, names cut to 255 characters and taken as they are.
    // The list except entry 0 is sorted first; entry 0 stays where it is, and an empty list gets
    // the whole-network entry before the new one, so that the list keeps its shape.
    void AddUser(const NewUser& user);

    // Ticks the computer `name` and nothing else, adding it without a group when the list
    // lacks it, so that the next message goes to that computer alone. Nothing while disabled.
    void CheckAlone(const std::string& name);

private:
    std::optional<size_t> RowAt(int y, int scroll_offset) const;
    void UserListClick(size_t row);
    void UncheckParent(size_t row);

    UserListView& view_;
    StatusLabel& status_;
    std::filesystem::path users_file_;
    std::vector<TUserData> entries_;
    bool enabled_ = true;
};

}  // namespace lyr
