#pragma once

#include <string>
#include <string_view>

namespace lyr::cli {

// ANSI text for the terminal. Texts and names come from anybody on the network: control
// characters other than the tab would move the cursor or recolour the terminal, so they are
// shown as '?'.
std::string ForTerminal(std::string_view ansi);

}  // namespace lyr::cli
