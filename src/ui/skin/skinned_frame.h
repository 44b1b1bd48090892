// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointer>
#include <QRect>
#include <QWidget>

#include <array>

#include "ui/skin/frame_geometry.h"
#include "ui/skin/skin.h"
#include "ui/skin/skinned_buttons.h"

namespace lyr {

// A frameless top-level window that draws its frame from a skin: the title bar, edges and
// bottom bar, with the six caption buttons on them. The title bar's drag band moves it, the
// grip at the bottom-right corner resizes it, it never gets smaller than kMinimumFrameSize,
// and every move or resize it makes (drag, grip, SetFrameGeometry) clings to the edges of the
// work area. Releasing a mouse button on the top-left corner asks for the main menu. The panes
// go into ContentArea(). Starts with the built-in skin, at the design size (353 x 223
// after the minimum).
class SkinnedFrame : public QWidget {
    Q_OBJECT

public:
    explicit SkinnedFrame(QWidget* parent = nullptr);

    // Takes a new skin: the frame and the caption buttons show it from the next paint on.
    void SetSkin(Skin skin);
    const Skin& CurrentSkin() const { return skin_; }

    // The caption buttons, created with their places, hints and sizes; the owner connects
    // their clicked() signals.
    TMyButton* Button(CaptionButton button) const { return buttons_[static_cast<int>(button)]; }

    QRect ContentArea() const { return lyr::ContentArea(size()); }

    // Widgets the frame keeps in place as it is resized: the panes fill the content area,
    // the status line lies in the bottom bar.
    void SetContentWidget(QWidget* content);
    void SetInfoTextWidget(QWidget* infoText);

    // Moves and resizes the window as a drag would: not below the minimum size, snapped to
    // the work area of the screen it is on.
    void SetFrameGeometry(const QRect& proposed);

signals:
    // The main menu is wanted with its top-left corner at `globalPosition` (the client
    // area's origin on the screen).
    void CornerMenuRequested(QPoint globalPosition);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    enum class Gesture { None, Move, Resize };

    QRect WorkAreaAt(QPoint globalPosition) const;
    void PlaceChildren();

    Skin skin_;
    std::array<TMyButton*, kCaptionButtonCount> buttons_{};
    QPointer<QWidget> content_;
    QPointer<QWidget> infoText_;
    Gesture gesture_ = Gesture::None;
    QPoint gestureStart_;
    QRect geometryAtStart_;
};

}  // namespace lyr
