// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLoggingCategory>

namespace lyr {

// The windows' own category ("lyr.ui") for what goes wrong where nobody is shown a box.
Q_DECLARE_LOGGING_CATEGORY(lcUi)

// Qt's warnings and errors, ours among them, go where the rest of the program's lines go
// (base/log.h: standard error, or the journal). Debug and info lines are dropped unless
// QT_LOGGING_RULES turns them on.
void RouteQtMessagesToLog();

}  // namespace lyr
