// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main_window/scan_animation.h"

#include <QPainter>
#include <QPainterPath>
#include <QTimer>

#include <cmath>
#include <numbers>

namespace lyr {
namespace {

constexpr int kMonitorWidth = 16;
constexpr int kMonitorLefts[] = {8, 32, 56};
constexpr double kLensRadius = 10;
constexpr double kMagnification = 1.35;

// The glass circles the row once per loop, lingering over the outer computers.
QPointF LensCentre(int frame) {
    const double angle = 2 * std::numbers::pi * frame / ScanAnimation::kFrameCount;
    return {40 - 24 * std::cos(angle), 21 + 4 * std::sin(angle)};
}

// Three computers on one cable; the one under the glass has its screen lit.
void DrawComputers(QPainter& painter, double lensX, const QColor& outline) {
    painter.setPen(outline);
    painter.drawLine(16, 38, 64, 38);
    for (int left : kMonitorLefts) {
        const int middle = left + kMonitorWidth / 2;
        painter.setPen(outline);
        painter.drawLine(middle, 33, middle, 38);
        painter.setBrush(QColor(212, 208, 200));
        painter.drawRect(left, 14, kMonitorWidth - 1, 13);
        painter.drawRect(middle - 2, 28, 3, 2);
        painter.drawRect(middle - 5, 31, 9, 1);
        const bool found = std::abs(lensX - middle) < 8;
        painter.fillRect(left + 2, 16, kMonitorWidth - 4, 9,
                         found ? QColor(80, 230, 230) : QColor(0, 106, 106));
        painter.fillRect(left + kMonitorWidth - 4, 25, 2, 1,
                         found ? QColor(0, 200, 0) : QColor(0, 96, 0));
    }
}

// The magnifying glass: a handle to the lower right, the scene enlarged behind the glass.
void DrawLens(QPainter& painter, QPointF centre, const QPalette& colours) {
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF along(std::numbers::sqrt2 / 2, std::numbers::sqrt2 / 2);
    painter.setPen(QPen(QColor(96, 56, 24), 4.5, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(centre + along * (kLensRadius + 3), centre + along * (kLensRadius + 9));
    painter.setPen(QPen(QColor(140, 140, 140), 4.5, Qt::SolidLine, Qt::FlatCap));
    painter.drawLine(centre + along * kLensRadius, centre + along * (kLensRadius + 3.5));

    QPainterPath glass;
    glass.addEllipse(centre, kLensRadius, kLensRadius);
    painter.save();
    painter.setClipPath(glass);
    painter.fillPath(glass, colours.color(QPalette::Window));
    painter.translate(centre);
    painter.scale(kMagnification, kMagnification);
    painter.translate(-centre);
    DrawComputers(painter, centre.x(), colours.color(QPalette::WindowText));
    painter.restore();
    painter.fillPath(glass, QColor(200, 230, 255, 50));

    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(colours.color(QPalette::WindowText), 2.5));
    painter.drawEllipse(centre, kLensRadius, kLensRadius);
    painter.setPen(QPen(QColor(255, 255, 255, 200), 1.5, Qt::SolidLine, Qt::RoundCap));
    const double shine = kLensRadius - 3.5;
    painter.drawArc(QRectF(centre - QPointF(shine, shine), QSizeF(2 * shine, 2 * shine)), 100 * 16,
                    60 * 16);
}

}  // namespace

ScanAnimation::ScanAnimation(QWidget* list)
    : QWidget(list->parentWidget() != nullptr ? list->parentWidget() : list),
      list_(list),
      timer_(new QTimer(this)) {
    setFixedSize(kWidth, kHeight);
    setAutoFillBackground(true);
    // Explicitly hidden, or showing the panel later would show the animation with it.
    hide();
    timer_->setInterval(kFrameIntervalMs);
    connect(timer_, &QTimer::timeout, this, [this] {
        frame_ = (frame_ + 1) % kFrameCount;
        update();
    });
}

void ScanAnimation::Start() {
    if (list_ == nullptr)
        return;
    QPalette colours = palette();
    // The list's own colours, so that the lines stand out on dark skins as its text does.
    colours.setColor(QPalette::Window, list_->palette().color(QPalette::Base));
    colours.setColor(QPalette::WindowText, list_->palette().color(QPalette::Text));
    setPalette(colours);
    // Integer division truncates toward zero, also when the list is smaller than the picture.
    const QPoint offset((list_->width() - kWidth) / 2, (list_->height() - kHeight) / 2);
    move(list_->mapTo(parentWidget(), offset));
    if (!timer_->isActive()) {
        frame_ = 0;
        timer_->start();
    }
    show();
    raise();
    update();
}

void ScanAnimation::Stop() {
    timer_->stop();
    hide();
}

void ScanAnimation::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QPointF lens = LensCentre(frame_);
    DrawComputers(painter, lens.x(), palette().color(QPalette::WindowText));
    DrawLens(painter, lens, palette());
}

}  // namespace lyr
