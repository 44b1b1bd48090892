#include "messaging/user_list_access.h"

#include "contacts/users_file.h"

namespace lyr {

bool UsersFileList::ReadUsersFile() {
    auto entries = lyr::ReadUsersFile(users_file_);
    if (!entries) {
        return false;
    }
    entries_ = std::move(*entries);
    return true;
}

void UsersFileList::WriteUsersFile() const {
    lyr::WriteUsersFile(users_file_, entries_);
}

}  // namespace lyr
