// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace lyr {

// The number the system knows the user this process runs as by, as text.
std::string CurrentUserId();

// Makes the one directory `path` (its parent must exist), readable only by this user. True
// when it was made or something of that name is there already.
bool MakeUserDirectory(const std::string& path);

// Makes `path` and every missing parent, outermost first, each as MakeUserDirectory does. A
// level that cannot be made is passed over: whether the whole path exists is the caller's to
// check.
void MakeUserDirectories(std::string path);

// Whether `path` itself (not where a link points) is a directory that this user owns and that
// is closed to everybody else.
bool IsPrivateDirectory(const std::string& path);

}  // namespace lyr
