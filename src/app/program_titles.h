// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace lyr {

// The names the program shows for itself, and by which other programs know it.

// The application's title: the program's own message boxes, the default error report, the
// title drawn on the skinned frame and the tray hints.
inline constexpr char kProgramTitle[] = "Zendry Messenger";
// The main window's caption, and the title of what shows a received message.
inline constexpr char kMainWindowTitle[] = "Lyr Messenger";
// The caption of the box that tells a second start that a copy already runs.
inline constexpr char kSecondStartTitle[] = "Zendry Lyr Messenger";

}  // namespace lyr
