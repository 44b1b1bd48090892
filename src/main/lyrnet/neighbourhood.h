// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

#include "app/instance_requests.h"

namespace lyr::cli {

// The network neighbourhood and the names of our NetBIOS service, each one line of JSON
// (contacts/neighbourhood_json.h, app/names_json.h): asked of the running messenger, and
// printed whether it came from there or from lyrnet's own look at the network.

// The running messenger's answer to a names or scan request that takes up to `wait_seconds`;
// nothing when no messenger runs for this user or it cannot serve the request.
std::optional<std::string> AskRunningMessenger(const InstanceRequest& request, int wait_seconds);

// Prints such a line for people (or, with `json`, each entry as a line of JSON). False when the
// line is not such an array.
bool PrintNeighbourhood(const std::string& json_line, bool json);
// Prints the names; nothing when the line is not such an array, else whether all are registered.
std::optional<bool> PrintNames(const std::string& json_line);

}  // namespace lyr::cli
