// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

#include "contacts/user_data.h"

namespace lyr {

// The user list's entries (SearchNetwork's result) as one line of JSON: what the running
// messenger answers to a scan request and what lyrnet scan prints. An array of
// {"kind": "group"|"computer", "name", "group"} in the list's order, the names in UTF-8; the
// whole-network entry at its head is left out.
std::string NeighbourhoodJson(const std::vector<TUserData>& entries);

}  // namespace lyr
