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

QString ShownPart(const QString& text) {
    if (text.size() <= kLongestShownText) {
        return text;
    }
    return text.left(kLongestShownText) + QChar(0x2026);
}

}  // namespace lyr
