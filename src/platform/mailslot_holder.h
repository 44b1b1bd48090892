// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace lyr {

// Who holds this computer's mailslot SLOT, in words for the user (UTF-8): the program and its
// process, and the user it runs as when that is another user than ours. Where the system does
// not let us see the process, the text says so plainly.
std::string DescribeMailslotHolder(std::string_view slot);

}  // namespace lyr
