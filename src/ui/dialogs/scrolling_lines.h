// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>
#include <QTimer>
#include <QWidget>

namespace lyr {

// Lines of text that scroll up through the panel, one pixel a step, and start again from the
// bottom after the last line has gone. The timer runs only while scrolling and shown.
class ScrollingLines : public QWidget {
    Q_OBJECT

public:
    static constexpr int kStepMilliseconds = 50;

    ScrollingLines(QStringList lines, QWidget* parent = nullptr);

    // Shows the panel and starts the lines from its bottom edge.
    void Start();
    // Stops the scrolling and hides the panel.
    void Stop();
    bool IsScrolling() const { return scrolling_; }
    bool TimerRunning() const { return timer_.isActive(); }
    // How far the first line is below the panel's top edge; negative once it has left.
    int Offset() const { return offset_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void Step();
    int TextHeight() const;

    QStringList lines_;
    QTimer timer_;
    bool scrolling_ = false;
    int offset_ = 0;
};

}  // namespace lyr
