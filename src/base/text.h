// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>
#include <vector>

namespace lyr {

// The lines of a text file as Windows writes them: each ends in CR LF, or in a bare LF (a file
// edited elsewhere); a CR cut off from its LF at the very end goes too. A last line without a line
// break counts; the break after the last line does not start another one. The views point into
// `text`.
std::vector<std::string_view> SplitLines(std::string_view text);

// Spaces and tabs: what INI and registry files allow around names and values.
inline constexpr std::string_view kBlanks = " \t";

// `text` without the characters of `blanks` at either end.
std::string_view Trim(std::string_view text, std::string_view blanks = kBlanks);

// A network name as the neighbourhood gives it ("\\PC1") without its leading backslashes.
std::string_view WithoutLeadingBackslashes(std::string_view name);

}  // namespace lyr
