// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/setup/setup_pictures.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace lyr {
namespace {

QPixmap Transparent(QSize size) {
    QPixmap picture(size);
    picture.fill(Qt::transparent);
    return picture;
}

void Envelope(QPainter& painter, const QRect& area, const QColor& paper) {
    painter.setPen(QPen(QColor(60, 60, 60), 1));
    painter.setBrush(paper);
    painter.drawRect(area);
    painter.drawLine(area.topLeft(), area.center());
    painter.drawLine(area.topRight(), area.center());
}

// A small window: a title bar over a body.
void SmallWindow(QPainter& painter, const QRect& area, const QColor& title, const QColor& body) {
    painter.setPen(QPen(QColor(40, 40, 40), 1));
    painter.setBrush(body);
    painter.drawRect(area);
    painter.fillRect(area.left() + 1, area.top() + 1, area.width() - 1, 5, title);
}

void SettingsPicture(QPainter& painter) {
    // A gear: a toothed wheel around a hub.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(70, 90, 130));
    painter.translate(16, 16);
    for (int tooth = 0; tooth < 8; ++tooth) {
        painter.drawRect(-3, -15, 6, 8);
        painter.rotate(45);
    }
    painter.drawEllipse(QPoint(0, 0), 10, 10);
    painter.setBrush(QColor(220, 225, 235));
    painter.drawEllipse(QPoint(0, 0), 4, 4);
}

void InterfacePagePicture(QPainter& painter) {
    SmallWindow(painter, QRect(2, 4, 27, 21), QColor(20, 60, 140), QColor(240, 240, 240));
    painter.fillRect(6, 14, 10, 2, QColor(120, 120, 120));
    painter.fillRect(6, 18, 14, 2, QColor(120, 120, 120));
    painter.setPen(QColor(40, 40, 40));
    painter.setBrush(QColor(255, 200, 60));
    painter.drawEllipse(QPoint(24, 24), 5, 5);
}

void SkinsPicture(QPainter& painter) {
    // A painter's palette with its dabs of colour.
    QPainterPath palette;
    palette.addEllipse(QRectF(2, 5, 28, 22));
    QPainterPath thumb;
    thumb.addEllipse(QRectF(18, 17, 6, 5));
    painter.setPen(QPen(QColor(90, 60, 30), 1));
    painter.setBrush(QColor(222, 184, 135));
    painter.drawPath(palette.subtracted(thumb));
    const QColor dabs[] = {Qt::red, QColor(0, 160, 0), Qt::blue, QColor(240, 200, 0)};
    const QPoint places[] = {{9, 11}, {16, 9}, {23, 11}, {9, 19}};
    painter.setPen(Qt::NoPen);
    for (int i = 0; i < 4; ++i) {
        painter.setBrush(dabs[i]);
        painter.drawEllipse(places[i], 3, 3);
    }
}

void MacrosPicture(QPainter& painter) {
    // A sheet of text with a key in front.
    painter.setPen(QPen(QColor(60, 60, 60), 1));
    painter.setBrush(Qt::white);
    painter.drawRect(4, 2, 20, 26);
    for (int line = 0; line < 5; ++line) {
        painter.fillRect(7, 7 + line * 4, line % 2 ? 10 : 14, 2, QColor(30, 70, 160));
    }
    painter.setBrush(QColor(230, 230, 230));
    painter.drawRoundedRect(15, 17, 15, 13, 2, 2);
    painter.setPen(Qt::black);
    QFont font = painter.font();
    font.setPixelSize(9);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(QRect(15, 17, 15, 13), Qt::AlignCenter, QStringLiteral("F1"));
}

void MessageBoxPreview(QPainter& painter) {
    SmallWindow(painter, QRect(14, 4, 72, 42), QColor(0, 0, 128), QColor(212, 208, 200));
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 90, 200));
    painter.drawEllipse(QPoint(24, 20), 5, 5);
    painter.fillRect(34, 17, 44, 2, QColor(60, 60, 60));
    painter.fillRect(34, 22, 32, 2, QColor(60, 60, 60));
    painter.setPen(QColor(40, 40, 40));
    painter.setBrush(QColor(230, 230, 230));
    painter.drawRect(40, 32, 20, 10);
    QFont font = painter.font();
    font.setPixelSize(7);
    painter.setFont(font);
    painter.drawText(QRect(40, 32, 21, 11), Qt::AlignCenter, QStringLiteral("OK"));
}

void MainWindowPreview(QPainter& painter) {
    // The skinned main window: frame, message column and the list of users.
    painter.fillRect(6, 2, 88, 46, QColor(58, 66, 90));
    painter.fillRect(6, 2, 88, 7, QColor(110, 120, 150));
    painter.fillRect(10, 12, 50, 16, QColor(20, 24, 36));
    painter.fillRect(10, 31, 50, 13, QColor(20, 24, 36));
    painter.fillRect(63, 12, 27, 32, QColor(20, 24, 36));
    for (int line = 0; line < 3; ++line) {
        painter.fillRect(13, 15 + line * 4, 30 + line * 4, 2, QColor(0, 230, 0));
        painter.fillRect(66, 15 + line * 6, 18, 2, QColor(0, 230, 0));
    }
}

void MessageWindowPreview(QPainter& painter) {
    SmallWindow(painter, QRect(10, 4, 80, 42), QColor(0, 0, 128), QColor(12, 12, 12));
    Envelope(painter, QRect(15, 14, 14, 10), QColor(255, 240, 160));
    for (int line = 0; line < 3; ++line) {
        painter.fillRect(34, 15 + line * 5, 48 - line * 8, 2, QColor(230, 230, 230));
    }
    painter.fillRect(15, 33, 70, 9, QColor(200, 200, 200));
}

}  // namespace

QPixmap PageButtonPicture(int page) {
    QPixmap picture = Transparent({32, 32});
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    switch (page) {
        case 0:
            SettingsPicture(painter);
            break;
        case 1:
            InterfacePagePicture(painter);
            break;
        case 2:
            SkinsPicture(painter);
            break;
        default:
            MacrosPicture(painter);
            break;
    }
    return picture;
}

QPixmap InterfacePicture() {
    QPixmap picture(120, 22);
    QPainter painter(&picture);
    QLinearGradient bar(0, 0, 0, 22);
    bar.setColorAt(0, QColor(90, 120, 190));
    bar.setColorAt(1, QColor(30, 60, 140));
    painter.fillRect(picture.rect(), bar);
    painter.fillRect(2, 3, 34, 16, QColor(60, 150, 60));
    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setPixelSize(10);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(QRect(2, 3, 34, 16), Qt::AlignCenter, QStringLiteral("Пуск"));
    painter.fillRect(70, 3, 48, 16, QColor(20, 40, 110));
    Envelope(painter, QRect(75, 6, 12, 9), QColor(255, 240, 160));
    painter.setPen(Qt::white);
    painter.drawText(QRect(90, 3, 28, 16), Qt::AlignCenter, QStringLiteral("12:00"));
    return picture;
}

QPixmap PreviewPicture(int windowType) {
    QPixmap picture(100, 50);
    picture.fill(QColor(255, 255, 255));
    QPainter painter(&picture);
    switch (windowType) {
        case 0:
            MessageBoxPreview(painter);
            break;
        case 1:
            MainWindowPreview(painter);
            break;
        default:
            MessageWindowPreview(painter);
            break;
    }
    return picture;
}

QPixmap LogoPicture(int height) {
    QPixmap picture = Transparent({40, height});
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient band(0, 0, 0, height);
    band.setColorAt(0, QColor(20, 50, 130));
    band.setColorAt(1, QColor(90, 150, 220));
    painter.setPen(Qt::NoPen);
    painter.setBrush(band);
    painter.drawRoundedRect(QRectF(4, 4, 32, height - 8), 6, 6);
    Envelope(painter, QRect(9, 14, 22, 15), QColor(255, 240, 160));
    painter.save();
    painter.translate(27, height - 12);
    painter.rotate(-90);
    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setPixelSize(15);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(0, 0, QStringLiteral("Zendry"));
    painter.restore();
    return picture;
}

}  // namespace lyr
