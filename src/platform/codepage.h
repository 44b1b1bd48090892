// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace lyr {

// Message text keeps the Windows encodings: the ANSI code page in memory and in the data files,
// the OEM code page on the wire. Both can be changed through LYR_ANSI_CODEPAGE and
// LYR_OEM_CODEPAGE (iconv names) for other locales.
std::string AnsiCodePage();
std::string OemCodePage();

// Converts between two iconv encodings. A character the target cannot hold becomes '?', a byte
// sequence the source does not define becomes '?' too, so the result is always complete.
std::string ConvertText(std::string_view text, const std::string& from, const std::string& to);

std::string OemToAnsi(std::string_view text);
std::string AnsiToOem(std::string_view text);
std::string AnsiToUtf8(std::string_view text);
std::string Utf8ToAnsi(std::string_view text);

// The encoding of the terminal or locale this process runs in (nl_langinfo after setlocale).
std::string LocaleCodeSet();
std::string AnsiToLocale(std::string_view text);
std::string LocaleToAnsi(std::string_view text);

}  // namespace lyr
