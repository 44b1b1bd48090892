// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace lyr {

// Qt reads a tool tip as markup when it looks like markup. Names and texts from the network or
// a data file are to be shown as they are, so such a text becomes markup that shows it
// literally; any other text stays as it is.
QString PlainToolTip(const QString& text);

// More characters than any pane or box shows at once on any screen (about 200 full lines):
// laying out more only costs the UI thread time, for a text nobody can see whole anyway.
inline constexpr qsizetype kLongestShownText = 16 * 1024;
// The part of `text` that is shown: all of it up to kLongestShownText, else its start and "…".
QString ShownPart(const QString& text);

}  // namespace lyr
