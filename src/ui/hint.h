// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QWidget>

namespace lyr {

// A control's hint is also its name for assistive technology: a button drawn only as a
// picture has no caption a screen reader could say.
inline void SetHint(QWidget& widget, const QString& hint) {
    widget.setToolTip(hint);
    widget.setAccessibleName(hint);
}

}  // namespace lyr
