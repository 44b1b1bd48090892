// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/skin/skinned_buttons.h"

#include <QPainter>

#include <utility>

namespace lyr {
namespace {

QImage BlackImage(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::black);
    return image;
}

// A line from `from` to `to` that includes the first pixel and leaves out the last; only
// horizontal and vertical lines are needed.
void DrawLine(QPainter& painter, QPoint from, QPoint to, const QColor& color) {
    const QPoint step((to.x() > from.x()) - (to.x() < from.x()),
                      (to.y() > from.y()) - (to.y() < from.y()));
    for (QPoint point = from; point != to; point += step) {
        painter.fillRect(QRect(point, QSize(1, 1)), color);
    }
}

}  // namespace

TMyButton::TMyButton(QWidget* parent)
    : QAbstractButton(parent), normalImage_(BlackImage({9, 9})), pressImage_(BlackImage({9, 9})) {
    setFocusPolicy(Qt::NoFocus);
    resize(9, 9);
}

void TMyButton::SetImages(QImage normalImage, QImage pressImage) {
    normalImage_ = std::move(normalImage);
    pressImage_ = std::move(pressImage);
    update();
}

QSize TMyButton::sizeHint() const {
    return normalImage_.size();
}

void TMyButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, isDown() || isChecked() ? pressImage_ : normalImage_);
}

TSmallButton::TSmallButton(QWidget* parent)
    : QAbstractButton(parent),
      glyphColor_(Qt::black),
      borderColor_(0x80, 0x80, 0x80),
      backColor_(palette().color(QPalette::Button)) {
    setFocusPolicy(Qt::NoFocus);
    resize(12, 12);
}

void TSmallButton::SetGlyphColor(const QColor& color) {
    glyphColor_ = color;
    update();
}

void TSmallButton::SetBorderColor(const QColor& color) {
    borderColor_ = color;
    update();
}

void TSmallButton::SetBackColor(const QColor& color) {
    backColor_ = color;
    update();
}

QSize TSmallButton::sizeHint() const {
    return {12, 12};
}

void TSmallButton::paintEvent(QPaintEvent*) {
    const int w = width();
    const int h = height();
    QPainter painter(this);
    painter.fillRect(rect(), backColor_);
    // The border leaves the four corner pixels in the back colour.
    DrawLine(painter, {0, 1}, {0, h - 1}, borderColor_);
    DrawLine(painter, {1, h - 1}, {w - 1, h - 1}, borderColor_);
    DrawLine(painter, {w - 1, h - 2}, {w - 1, 0}, borderColor_);
    DrawLine(painter, {1, 0}, {w - 1, 0}, borderColor_);
    const QColor glyph = isEnabled() ? glyphColor_ : borderColor_;
    DrawLine(painter, {5, 3}, {5, 9}, glyph);
    DrawLine(painter, {6, 3}, {6, 9}, glyph);
    DrawLine(painter, {4, 4}, {8, 4}, glyph);
    DrawLine(painter, {3, 5}, {9, 5}, glyph);
}

}  // namespace lyr
