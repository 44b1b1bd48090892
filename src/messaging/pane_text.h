// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace lyr {

// Pane texts as the controller handles them: lines separated by CR LF (a bare LF counts too),
// a break after the last line starting no further line.

// Removes every CR and LF at the end.
std::string TrimTrailingLineBreaks(std::string text);

// The text with `line` added as its new last line.
std::string AddLine(std::string_view text, std::string_view line);

// Each line of `text` prefixed with ">" (no blank after it), the lines joined by CR LF; an
// empty text has no lines and quotes as empty.
std::string QuoteLines(std::string_view text);

}  // namespace lyr
