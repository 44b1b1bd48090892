// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/dialogs/scrolling_lines.h"

#include <QPainter>

namespace lyr {

ScrollingLines::ScrollingLines(QStringList lines, QWidget* parent)
    : QWidget(parent), lines_(std::move(lines)) {
    timer_.setInterval(kStepMilliseconds);
    connect(&timer_, &QTimer::timeout, this, &ScrollingLines::Step);
    setAutoFillBackground(true);
}

void ScrollingLines::Start() {
    scrolling_ = true;
    offset_ = height();
    show();
    raise();
    timer_.start();
}

void ScrollingLines::Stop() {
    scrolling_ = false;
    timer_.stop();
    hide();
}

void ScrollingLines::Step() {
    if (--offset_ < -TextHeight()) {
        offset_ = height();
    }
    update();
}

int ScrollingLines::TextHeight() const {
    return fontMetrics().lineSpacing() * static_cast<int>(lines_.size());
}

void ScrollingLines::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    const int lineHeight = fontMetrics().lineSpacing();
    for (int i = 0; i < lines_.size(); ++i) {
        painter.drawText(QRect(4, offset_ + i * lineHeight, width() - 8, lineHeight),
                         Qt::AlignHCenter | Qt::AlignVCenter, lines_[i]);
    }
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void ScrollingLines::showEvent(QShowEvent* event) {
    if (scrolling_) {
        timer_.start();
    }
    QWidget::showEvent(event);
}

void ScrollingLines::hideEvent(QHideEvent* event) {
    timer_.stop();
    QWidget::hideEvent(event);
}

}  // namespace lyr
