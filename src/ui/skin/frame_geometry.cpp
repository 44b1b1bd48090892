// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/skin/frame_geometry.h"

namespace lyr {

std::vector<TilePlacement> FrameTileLayout(QSize client) {
    const int width = client.width();
    const int height = client.height();
    std::vector<TilePlacement> layout;
    layout.push_back({FrameTile::TitleLeft, {0, 0}});
    // Integer division truncates toward zero; a negative count places nothing.
    for (int i = 0, count = (width - 50) / 25; i <= count; ++i) {
        layout.push_back({FrameTile::TitleMiddle, {25 + 25 * i, 0}});
    }
    layout.push_back({FrameTile::TitleRight, {width - 25, 0}});
    // The edge tiles overlap: only their top 11 rows repeat.
    for (int i = 0, count = (height - 58) / 11; i <= count; ++i) {
        layout.push_back({FrameTile::LeftEdge, {0, 20 + 11 * i}});
        layout.push_back({FrameTile::RightEdge, {width - 8, 20 + 11 * i}});
    }
    for (int i = 0, count = (width - 250) / 25; i <= count; ++i) {
        layout.push_back({FrameTile::BottomMiddle, {125 + 25 * i, height - 38}});
    }
    layout.push_back({FrameTile::BottomLeft, {0, height - 38}});
    layout.push_back({FrameTile::BottomRight, {width - 125, height - 38}});
    return layout;
}

FrameHit HitTestFrame(QPoint point, QSize client) {
    const int width = client.width();
    const int height = client.height();
    if (point.x() >= 20 && point.x() <= width - 20 && point.y() >= 0 && point.y() <= 12) {
        return FrameHit::DragBand;
    }
    if (point.x() >= width - 10 && point.x() <= width && point.y() >= height - 10 &&
        point.y() <= height) {
        return FrameHit::ResizeGrip;
    }
    return FrameHit::Client;
}

bool IsCornerMenuPoint(QPoint point) {
    return point.x() >= 0 && point.x() <= 15 && point.y() >= 0 && point.y() <= 15;
}

QRect SnapToWorkArea(const QRect& proposed, const QRect& workArea) {
    const int left = workArea.x();
    const int top = workArea.y();
    const int right = workArea.x() + workArea.width();
    const int bottom = workArea.y() + workArea.height();
    int x = proposed.x();
    int y = proposed.y();
    const int width = proposed.width();
    const int height = proposed.height();
    if (x <= left + kSnapDistance) {
        x = left;
    }
    if (x + width >= right - kSnapDistance) {
        x = right - width;
    }
    if (y <= top + kSnapDistance) {
        y = top;
    }
    if (y + height >= bottom - kSnapDistance) {
        y = bottom - height;
    }
    return QRect(x, y, width, height);
}

QRect ContentArea(QSize client) {
    return QRect(kLeftEdgeWidth, kTitleBarHeight, client.width() - kLeftEdgeWidth - kRightEdgeWidth,
                 client.height() - kTitleBarHeight - kBottomBarHeight);
}

QRect InfoTextArea(QSize client) {
    return QRect(91, client.height() - 28, client.width() - 117, 13);
}

QRect CaptionButtonArea(CaptionButton button, QSize client) {
    const int bottomRow = client.height() - 30;
    switch (button) {
        case CaptionButton::Close:
            return QRect(client.width() - 11, 3, 9, 9);
        case CaptionButton::Previous:
            return QRect(7, bottomRow, 15, 18);
        case CaptionButton::Next:
            return QRect(22, bottomRow, 15, 18);
        case CaptionButton::Clear:
            return QRect(37, bottomRow, 18, 18);
        case CaptionButton::Reply:
            return QRect(55, bottomRow, 16, 18);
        case CaptionButton::Send:
            return QRect(70, bottomRow, 15, 18);
    }
    return {};
}

}  // namespace lyr
