#include "ui/user_icon_placeholders.h"

#include <QPainter>

namespace lyr {

QList<QPixmap> UserIconPlaceholders() {
    QList<QPixmap> pictures;
    for (int i = 0; i < 10; ++i) {
        QPixmap picture(32, 32);
        picture.fill(QColor::fromHsv(i * 36, 160, 220));
        QPainter painter(&picture);
        painter.setPen(Qt::black);
        painter.drawRect(0, 0, 31, 31);
        QFont font = painter.font();
        font.setPixelSize(16);
        font.setBold(true);
        painter.setFont(font);
        painter.drawText(picture.rect(), Qt::AlignCenter, QString::number(i + 1));
        pictures.append(picture);
    }
    return pictures;
}

}  // namespace lyr
