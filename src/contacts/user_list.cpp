// SPDX-License-Identifier: GPL-3.0-or-later
#include "contacts/user_list.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include "base/ascii_case.h"
#include "contacts/users_file.h"
#include "platform/codepage.h"

namespace lyr {

UserList::UserList(UserListView& view, StatusLabel& status, std::filesystem::path users_file)
    : view_(view), status_(status), users_file_(std::move(users_file)) {}

bool UserList::ReadUsersFile() {
    auto entries = lyr::ReadUsersFile(users_file_);
    if (!entries) {
        return false;
    }
    Replace(std::move(*entries));
    return true;
}

void UserList::WriteUsersFile() const {
    lyr::WriteUsersFile(users_file_, entries_);
}

void UserList::Replace(std::vector<TUserData> entries) {
    entries_ = std::move(entries);
    view_.UserListContentsChanged();
}

void UserList::SetEnabled(bool enabled) {
    enabled_ = enabled;
    view_.SetUserListEnabled(enabled);
}

std::optional<size_t> UserList::RowAt(int y, int scroll_offset) const {
    const long long position = static_cast<long long>(y) + scroll_offset;
    if (position < 0) {
        return std::nullopt;
    }
    const auto row = static_cast<size_t>(position / kRowHeight);
    if (row >= entries_.size()) {
        return std::nullopt;
    }
    return row;
}

void UserList::UserListMouseDown(MouseButton button, int x, int y, int scroll_offset) {
    if (button != MouseButton::Left || !enabled_) {
        return;
    }
    // A press in the indentation left of the entry's image is no click on the entry.
    if (const auto row = RowAt(y, scroll_offset);
        row && x >= kIndentPerKind * entries_[*row].Kind) {
        UserListClick(*row);
    }
    view_.RepaintUserList();
}

void UserList::UserListClick(size_t row) {
    TUserData& entry = entries_[row];
    entry.Checked = !entry.Checked;
    const bool checked = entry.Checked;
    UncheckParent(row);
    if (entry.Kind == TUserData::kWholeNetwork) {
        for (auto& other : entries_) {
            other.Checked = checked;
        }
    } else if (entry.Kind == TUserData::kGroup) {
        for (size_t i = row + 1; i < entries_.size() && entries_[i].Kind != TUserData::kGroup;
             ++i) {
            entries_[i].Checked = checked;
        }
    }
    status_.SetInfoText(Utf8ToAnsi("Выбрано: ") + std::to_string(CountChecked()));
}

// A parent stays ticked only while all of it is; any change below it unticks it, and the whole
// network with it.
void UserList::UncheckParent(size_t row) {
    const uint8_t kind = entries_[row].Kind;
    for (size_t i = row; i-- > 0;) {
        if (entries_[i].Kind < kind) {
            entries_[i].Checked = false;
            entries_[0].Checked = false;
            return;
        }
    }
}

int UserList::CountChecked() const {
    return static_cast<int>(std::count_if(entries_.begin(), entries_.end(), [](const auto& entry) {
        return entry.Kind == TUserData::kComputer && entry.Checked;
    }));
}

std::vector<std::string> UserList::DomainBoxGroups() const {
    std::vector<std::string> groups;
    for (const auto& entry : entries_) {
        if (entry.Kind == TUserData::kGroup) {
            groups.push_back(entry.Group);
        }
    }
    return groups;
}

void UserList::N13Click(AddUserDialog& dialog) {
    if (!enabled_) {
        return;
    }
    if (const auto user = dialog.ShowModal(DomainBoxGroups())) {
        AddUser(*user);
    }
}

void UserList::AddUser(const NewUser& user) {
    TUserData added;
    added.Name = user.Name.substr(0, kMaxUserField);
    added.Group = user.Group.substr(0, kMaxUserField);
    added.Kind = TUserData::kComputer;

    TUserData head = entries_.empty() ? WholeNetworkEntry() : std::move(entries_.front());
    std::vector<TUserData> rest;
    rest.reserve(entries_.size() + 1);
    if (!entries_.empty()) {
        std::move(entries_.begin() + 1, entries_.end(), std::back_inserter(rest));
    }
    SortBySortKey(rest);
    const std::string key = SortKey(added);
    const auto place = std::upper_bound(rest.begin(), rest.end(), key,
                                        [](const std::string& new_key, const TUserData& entry) {
                                            return CompareSortKeys(new_key, SortKey(entry)) < 0;
                                        });
    rest.insert(place, std::move(added));
    rest.insert(rest.begin(), std::move(head));
    Replace(std::move(rest));
}

void UserList::CheckAlone(const std::string& name) {
    if (!enabled_ || name.empty()) {
        return;
    }
    // Computer names are not case-sensitive on the network.
    const auto named = [this, &name] {
        return std::find_if(entries_.begin(), entries_.end(), [&name](const TUserData& entry) {
            return entry.Kind == TUserData::kComputer && EqualsIgnoringCase(entry.Name, name);
        });
    };
    if (named() == entries_.end()) {
        AddUser({name, {}});
    }
    for (TUserData& entry : entries_) {
        entry.Checked = false;
    }
    named()->Checked = true;
    view_.RepaintUserList();
}

}  // namespace lyr
