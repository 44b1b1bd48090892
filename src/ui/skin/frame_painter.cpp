// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/skin/frame_painter.h"

#include <QFontMetrics>
#include <QImage>

#include "app/program_titles.h"
#include "contacts/colour.h"
#include "ui/skin/frame_geometry.h"

namespace lyr {

QFont FrameFont() {
    QFont font("MS Sans Serif", 8);
    // Where that face is missing, take the desktop's sans-serif face rather than any face.
    font.setStyleHint(QFont::SansSerif);
    return font;
}

void PaintFrame(QPainter& painter, const Skin& skin, QSize client) {
    if (client.isEmpty()) {
        return;
    }
    QImage buffer(client, QImage::Format_RGB32);
    buffer.fill(skin.SkinColor);
    {
        QPainter canvas(&buffer);
        for (const TilePlacement& placement : FrameTileLayout(client)) {
            canvas.drawImage(placement.position, skin.Tile(placement.tile));
        }

        const QString title = QString::fromLatin1(kProgramTitle);
        QFont font = FrameFont();
        const int titleWidth = QFontMetrics(font).horizontalAdvance(title);
        font.setBold(true);
        canvas.setFont(font);
        const int x = (client.width() - titleWidth) / 2;
        const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine | Qt::TextDontClip;
        canvas.setPen(Qt::black);
        canvas.drawText(QRect(x + 1, 1, client.width(), client.height()), flags, title);
        canvas.setPen(ToQColor(DarkenColor(0x60FF60, 16)));
        canvas.drawText(QRect(x, 0, client.width(), client.height()), flags, title);
    }
    painter.drawImage(0, 0, buffer);
}

}  // namespace lyr
