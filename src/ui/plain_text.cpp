// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/plain_text.h"

#include <QTextDocument>

namespace lyr {

QString PlainToolTip(const QString& text) {
    if (!Qt::mightBeRichText(text))
        return text;
    return QStringLiteral("<p style='white-space:pre'>") + text.toHtmlEscaped() +
           QStringLiteral("</p>");
}

}  // namespace lyr
