// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/tray/artwork.h"

#include <QPixmap>

// The resource's initialiser lives in this static library and must be named outside any
// namespace.
static void InitialiseArtResource() {
    Q_INIT_RESOURCE(tray_art);
}

namespace lyr {
namespace {

// Cuts a strip of `count` square cells of `side` pixels. A missing resource (only a broken
// build lacks it) gives transparent cells, so every index stays usable.
QList<QImage> CutStrip(const char* path, int count, int side) {
    InitialiseArtResource();
    const QImage strip = QImage(QString::fromLatin1(path)).convertToFormat(QImage::Format_ARGB32);
    QList<QImage> cells;
    for (int index = 0; index < count; ++index) {
        QImage cell = strip.copy(index * side, 0, side, side);
        if (cell.size() != QSize(side, side)) {
            cell = QImage(side, side, QImage::Format_ARGB32);
            cell.fill(Qt::transparent);
        }
        cells.append(cell);
    }
    return cells;
}

}  // namespace

const QList<QImage>& TrayIconImages() {
    static const QList<QImage> images = CutStrip(":/art/tray_icons.png", kTrayIconImageCount, 16);
    return images;
}

const QList<QImage>& ReceiveAnimationImages() {
    static const QList<QImage> images =
        CutStrip(":/art/receive_animation.png", kReceiveAnimationImageCount, 16);
    return images;
}

const QImage& MenuBitmapImage(MenuBitmap bitmap) {
    static const QList<QImage> images = CutStrip(":/art/menu_bitmaps.png", kMenuBitmapCount, 16);
    return images[static_cast<int>(bitmap)];
}

QIcon MenuBitmapIcon(MenuBitmap bitmap) {
    return QIcon(QPixmap::fromImage(TransparentByCorner(MenuBitmapImage(bitmap))));
}

const QList<QImage>& UserIcons() {
    static const QList<QImage> images = CutStrip(":/art/user_icons.png", kUserIconCount, 32);
    return images;
}

QImage TransparentByCorner(const QImage& bitmap) {
    QImage image = bitmap.convertToFormat(QImage::Format_ARGB32);
    if (image.isNull()) {
        return image;
    }
    const QRgb key = image.pixel(0, 0);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (line[x] == key) {
                line[x] = qRgba(0, 0, 0, 0);
            }
        }
    }
    return image;
}

}  // namespace lyr
