// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

namespace lyr::cli {

// ANSI text for the terminal. Texts and names come from anybody on the network: control
// characters other than the tab would move the cursor or recolour the terminal, so they are
// shown as '?'.
std::string ForTerminal(std::string_view ansi);

// Prints one JSON object on a line of its own and flushes it, so a reader sees each at once.
// Invalid UTF-8 is replaced rather than refused.
void PrintJsonLine(const nlohmann::ordered_json& object);

}  // namespace lyr::cli
