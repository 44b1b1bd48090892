// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/instance_requests.h"
#include "netbios/netbios_service.h"
#include "platform/network_enumerator.h"

namespace lyr::cli {

// The network neighbourhood and the names of our NetBIOS service as one line of JSON each: what
// lyrnet finds itself and what the running messenger answers when asked for them.

// An array of {"kind": "group"|"computer", "name", "group"} in the user list's order.
std::string NeighbourhoodJson(NetworkEnumerator& enumerator);
// An array of {"name", "kind": "group"|"unique", "state", "registered"}.
std::string NamesJson(const std::vector<netbios::HeldName>& names);

// The running messenger's answer to a names or scan request that takes up to `wait_seconds`;
// nothing when no messenger runs for this user or it cannot serve the request.
std::optional<std::string> AskRunningMessenger(const InstanceRequest& request, int wait_seconds);

// Prints such a line for people (or, with `json`, each entry as a line of JSON). False when the
// line is not such an array.
bool PrintNeighbourhood(const std::string& json_line, bool json);
// Prints the names; nothing when the line is not such an array, else whether all are registered.
std::optional<bool> PrintNames(const std::string& json_line);

}  // namespace lyr::cli
