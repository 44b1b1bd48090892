// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

#include "netbios/netbios_service.h"

namespace lyr {

// The names our NetBIOS service holds as one line of JSON: what the running messenger answers
// to a names request and what lyrnet names and doctor read. An array of
// {"name", "kind": "group"|"unique", "state", "registered"}, the state in words for people.
std::string NamesJson(const std::vector<netbios::HeldName>& names);

}  // namespace lyr
