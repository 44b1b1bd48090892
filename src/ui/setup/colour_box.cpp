// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/setup/colour_box.h"

#include <QPainter>
#include <QPixmap>
#include <QResizeEvent>

#include "ui/skin/skin.h"

namespace lyr {
namespace {

constexpr ColorRef kListedColors[] = {
    0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080, 0x808000,
    0x808080, 0xC0C0C0, 0x0000FF, 0x00FF00, 0x00FFFF, 0xFF0000, 0xFF00FF,
    0xFFFF00, 0xFFFFFF, 0xC0DCC0, 0xF0CAA6, 0xF0FBFF, 0xA4A0A0,
};
constexpr ColorRef kSilver = 0xC0C0C0;

QPixmap Swatch(ColorRef color, QSize size) {
    QPixmap swatch(size);
    swatch.fill(ToQColor(color));
    QPainter painter(&swatch);
    painter.setPen(Qt::black);
    painter.drawRect(0, 0, size.width() - 1, size.height() - 1);
    return swatch;
}

}  // namespace

ColorBox::ColorBox(QWidget* parent) : QComboBox(parent) {
    for (ColorRef color : kListedColors) {
        AddColor(color);
    }
    setCurrentIndex(findData(kSilver));
    connect(this, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0) {
            emit SelectedChanged(Selected());
        }
    });
}

ColorRef ColorBox::Selected() const {
    return static_cast<ColorRef>(currentData().toUInt());
}

void ColorBox::SetSelected(ColorRef color) {
    color &= 0xFFFFFF;
    if (findData(color) < 0) {
        AddColor(color);
    }
    setCurrentIndex(findData(color));
}

void ColorBox::AddColor(ColorRef color) {
    addItem(QIcon(Swatch(color, iconSize())), QString(), color);
}

void ColorBox::resizeEvent(QResizeEvent* event) {
    // The swatches fill the box but for the arrow.
    const QSize swatchSize(qMax(16, event->size().width() - 36),
                           qMax(8, event->size().height() - 10));
    if (swatchSize != iconSize()) {
        setIconSize(swatchSize);
        for (int i = 0; i < count(); ++i) {
            setItemIcon(i, QIcon(Swatch(static_cast<ColorRef>(itemData(i).toUInt()), swatchSize)));
        }
    }
    QComboBox::resizeEvent(event);
}

}  // namespace lyr
