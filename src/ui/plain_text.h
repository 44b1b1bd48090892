// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace lyr {

// Qt reads a tool tip as markup when it looks like markup. Names and texts from the network or
// a data file are to be shown as they are, so such a text becomes markup that shows it
// literally; any other text stays as it is.
QString PlainToolTip(const QString& text);

}  // namespace lyr
