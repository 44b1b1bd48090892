// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QWidget>

namespace lyr {

// Every control of the settings dialog carries a help topic number. Here the topic reaches the
// user as the control's "What's This?" text (the dialog's "?" button, or F1 on the focused
// control): what the control does, and the topic's number.
void SetHelpContext(QWidget* control, int topic, const QString& description);

// The topic number of a control, or 0 when it has none.
int HelpContext(const QWidget* control);

// The nearest of `widget` and its parents that has a topic, or nothing.
QWidget* HelpContextControl(QWidget* widget);

}  // namespace lyr
