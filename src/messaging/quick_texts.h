// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace lyr {

// The quick replies (reply.dat, Ctrl+F1..F5) and macros (macro.dat, Shift+F1..F5): text files in
// the ANSI code page, one entry per line.
constexpr size_t kQuickTextCount = 5;

// Their files in the data directory.
inline constexpr char kReplyFileName[] = "reply.dat";
inline constexpr char kMacroFileName[] = "macro.dat";

// Every line the file holds (CR LF or LF endings), also beyond the fifth. A missing file gives no
// lines; a file that exists but cannot be read throws lyr::Exception.
std::vector<std::string> LoadQuickTexts(const std::filesystem::path& path);

// Writes exactly five CR LF lines atomically: `lines` beyond the fifth are left out, missing ones
// are written empty. A line break inside an entry would shift the later entries, so each entry
// is cut at its first CR or LF.
void SaveQuickTexts(const std::filesystem::path& path, const std::vector<std::string>& lines);

}  // namespace lyr
