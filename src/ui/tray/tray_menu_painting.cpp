// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/tray/tray_menu_painting.h"

#include <algorithm>
#include <cstdlib>

#include "ui/skin/skin.h"
#include "ui/tray/artwork.h"

namespace lyr {
namespace {

// n / d rounded to the nearest integer, halves up; d > 0.
int RoundedQuotient(int n, int d) {
    const int twice = 2 * n + d;
    const int quotient = twice / (2 * d);
    return twice % (2 * d) < 0 ? quotient - 1 : quotient;
}

// A line from `from` to `to` that lights the first pixel and leaves out the last, as the
// menus' drawing has always done; each pixel between is the nearest to the exact line.
void Line(QPainter& painter, QPoint from, QPoint to, const QColor& color) {
    const int dx = to.x() - from.x();
    const int dy = to.y() - from.y();
    const int steps = std::max(std::abs(dx), std::abs(dy));
    for (int step = 0; step < steps; ++step) {
        const int x = from.x() + RoundedQuotient(dx * step, steps);
        const int y = from.y() + RoundedQuotient(dy * step, steps);
        painter.fillRect(QRect(x, y, 1, 1), color);
    }
}

}  // namespace

QSize TrayMenuItemSize(const QFontMetrics& metrics, const QString& caption,
                       const QString& shortcutText) {
    const int width =
        metrics.horizontalAdvance(caption) + metrics.horizontalAdvance(shortcutText) + 25;
    return {width, IsTrayMenuSeparator(caption) ? kTrayMenuSeparatorHeight : kTrayMenuItemHeight};
}

void PaintTrayMenuItem(QPainter& painter, const QRect& rect, const TrayMenuItem& item,
                       const QFont& font) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    const int L = rect.left();
    const int T = rect.top();
    const int R = rect.left() + rect.width();  // exclusive
    const int B = rect.top() + rect.height();  // exclusive
    const QColor grey = ToQColor(kTrayMenuSelectionColor);
    const QColor white(255, 255, 255);
    const QColor black(0, 0, 0);

    if (item.selected) {
        painter.fillRect(rect, grey);
        painter.fillRect(QRect(L, T, rect.width(), 1), black);
        painter.fillRect(QRect(L, B - 1, rect.width(), 1), black);
        painter.fillRect(QRect(L, T, 1, rect.height()), black);
        painter.fillRect(QRect(R - 1, T, 1, rect.height()), black);
    } else {
        painter.fillRect(rect, ToQColor(kTrayMenuBackgroundColor));
        painter.fillRect(QRect(L, T, kTrayMenuSideBandWidth, rect.height()),
                         ToQColor(kTrayMenuSideBandColor));
    }

    if (IsTrayMenuSeparator(item.caption)) {
        Line(painter, {L + 5, T + 5}, {R - 5, T + 5}, grey);
        Line(painter, {L + 5, T + 6}, {R - 5, T + 6}, white);
        painter.restore();
        return;
    }

    painter.setClipRect(rect);
    const bool hasBitmap = !item.bitmap.isNull();
    if (hasBitmap) {
        painter.drawImage(L + 1, T + 1, TransparentByCorner(item.bitmap));
    }
    if (item.checked && hasBitmap) {
        Line(painter, {L, B}, {L, T}, grey);
        Line(painter, {L, T}, {L + 18, T}, grey);
        Line(painter, {L, B - 1}, {L + 18, B - 1}, white);
        Line(painter, {L + 18, B - 1}, {L + 18, T}, white);
    } else if (item.checked) {
        Line(painter, {L + 4, T + 7}, {L + 7, T + 9}, black);
        Line(painter, {L + 7, T + 9}, {L + 11, T + 5}, black);
        Line(painter, {L + 12, T + 5}, {L + 7, T + 10}, black);
        Line(painter, {L + 7, T + 10}, {L + 4, T + 7}, black);
    }

    const QColor text = item.enabled ? ToQColor(kTrayMenuTextColor) : grey;
    painter.setPen(text);
    QFont captionFont = font;
    captionFont.setUnderline(item.selected);
    painter.setFont(captionFont);
    const QFontMetrics captionMetrics(captionFont);
    painter.drawText(QPoint(L + kTrayMenuCaptionLeft, T + 1 + captionMetrics.ascent()),
                     item.caption);
    painter.setFont(font);
    if (!item.shortcutText.isEmpty()) {
        const QFontMetrics metrics(font);
        const int left = R - kTrayMenuShortcutGap - metrics.horizontalAdvance(item.shortcutText);
        painter.drawText(QPoint(left, T + 2 + metrics.ascent()), item.shortcutText);
    }
    if (item.hasSubmenu) {
        // The arrow that says a submenu opens here: seven rows tapering to the right.
        const int middle = T + rect.height() / 2;
        for (int column = 0; column < 4; ++column) {
            const int half = 3 - column;
            painter.fillRect(QRect(R - 11 + column, middle - half, 1, 2 * half + 1), text);
        }
    }
    painter.restore();
}

}  // namespace lyr
