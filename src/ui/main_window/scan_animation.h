// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointer>
#include <QWidget>

class QTimer;

namespace lyr {

// The animation of a search for computers that plays over the user list while the network is
// scanned: a magnifying glass sweeping over a row of networked computers. It lives on the panel
// that holds the list (a sibling of the list, so it stays crisp while the list is disabled) and
// is hidden until started. Its timer runs only while it plays.
class ScanAnimation final : public QWidget {
public:
    static constexpr int kWidth = 80;
    static constexpr int kHeight = 50;
    static constexpr int kFrameCount = 16;
    static constexpr int kFrameIntervalMs = 100;

    // Created hidden on `list`'s parent widget (on `list` itself when it has none). That parent
    // must not be a QSplitter, which would take the animation for a pane of its own.
    explicit ScanAnimation(QWidget* list);

    // Takes the list's background colour, centres itself over the list, shows itself above it
    // and plays from the first frame; when already playing it only moves to the list's centre.
    void Start();
    // Stops the timer and hides; harmless when not playing.
    void Stop();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPointer<QWidget> list_;
    QTimer* timer_;
    int frame_ = 0;
};

}  // namespace lyr
