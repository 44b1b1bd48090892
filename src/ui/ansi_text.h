// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace lyr {

// The core keeps texts the user writes (identity, quick replies, macros) as bytes in the ANSI
// code page; widgets show Unicode. These are the one crossing between the two.
QString FromAnsi(std::string_view text);
// A character the code page cannot hold becomes '?'.
std::string ToAnsi(const QString& text);

}  // namespace lyr
