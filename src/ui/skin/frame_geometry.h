// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

#include <vector>

#include "ui/skin/skin.h"

namespace lyr {

// The frame around the inner panes, in pixels of the client area.
inline constexpr int kTitleBarHeight = 20;
inline constexpr int kLeftEdgeWidth = 11;
inline constexpr int kRightEdgeWidth = 8;
inline constexpr int kBottomBarHeight = 38;
inline constexpr QSize kMinimumFrameSize{350, 223};
// The size a window without a saved size starts from, before it is snapped to whole tiles.
inline constexpr QSize kDesignFrameSize{353, 203};
inline constexpr int kSnapDistance = 20;

struct TilePlacement {
    FrameTile tile;
    QPoint position;
};

// Where the frame tiles go for a client area of `client`, in painting order: later tiles
// cover earlier ones where they overlap.
std::vector<TilePlacement> FrameTileLayout(QSize client);

enum class FrameHit {
    Client,      // an ordinary point
    DragBand,    // pressing here moves the window
    ResizeGrip,  // pressing here resizes the window from its bottom-right corner
};

// What a press at `point` of the client area does. Both areas include their right and
// bottom lines.
FrameHit HitTestFrame(QPoint point, QSize client);

// Whether releasing a mouse button at `point` opens the main menu: the top-left 16 x 16 pixels.
bool IsCornerMenuPoint(QPoint point);

// A proposed window geometry moved so that it clings to every edge of the work area within
// kSnapDistance and stays inside it; one larger than the work area lines up with its right
// or bottom edge. The size never changes.
QRect SnapToWorkArea(const QRect& proposed, const QRect& workArea);

// The area inside the frame, where the panes go.
QRect ContentArea(QSize client);

// The status line in the bottom bar, one line of the window's 8-point font high.
QRect InfoTextArea(QSize client);

// Where a caption button goes: the close button at the top right, the others in the bottom bar.
QRect CaptionButtonArea(CaptionButton button, QSize client);

}  // namespace lyr
