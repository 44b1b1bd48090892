// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>

#include <array>

#include "contacts/colour.h"

namespace lyr {

// The eight frame tiles, in the order the skin's layout lists them.
enum class FrameTile {
    TitleLeft,
    TitleMiddle,
    TitleRight,
    BottomLeft,
    LeftEdge,
    RightEdge,
    BottomRight,
    BottomMiddle,
};
inline constexpr int kFrameTileCount = 8;

// The six skinned caption buttons of the main window.
enum class CaptionButton { Close, Previous, Next, Clear, Reply, Send };
inline constexpr int kCaptionButtonCount = 6;

// Where a piece lies in a skin bitmap and the size it has on screen. A piece whose target is
// larger than its source is enlarged by repeating pixels.
struct SkinPiece {
    QRect source;
    QSize target;
};

const SkinPiece& TilePiece(FrameTile tile);
const SkinPiece& NormalFacePiece(CaptionButton button);
const SkinPiece& PressedFacePiece(CaptionButton button);

// Every piece lies inside this size. A smaller bitmap is still a skin: what its rectangles miss
// comes out black.
inline constexpr QSize kMinimumSkinBitmapSize{233, 118};
// The pixel whose colour becomes SkinColor.
inline constexpr QPoint kSkinColorSample{140, 100};

struct ButtonFaces {
    QImage NormalImage;
    QImage PressImage;
};

// A skin cut into what the window paints: frame tiles, button faces and the two colours of the
// inner controls. Cutting happens once per skin change, so painting only copies these images.
struct Skin {
    std::array<QImage, kFrameTileCount> tiles;
    std::array<ButtonFaces, kCaptionButtonCount> buttons;
    QColor SkinColor;
    QColor SkinTextColor;

    const QImage& Tile(FrameTile tile) const { return tiles[static_cast<int>(tile)]; }
    const ButtonFaces& Faces(CaptionButton button) const {
        return buttons[static_cast<int>(button)];
    }
};

// Copies `source` of `bitmap` onto an image of `target` size, nearest neighbour with the sample
// taken at each target pixel's centre: enlarging by one pixel repeats the middle row and column,
// so the outer lines of a tile stay one pixel wide. Pixels outside the bitmap come out black.
QImage CutPiece(const QImage& bitmap, const QRect& source, QSize target);

// Cuts every piece out of a skin bitmap and takes its colours. The part of the bitmap the pieces
// lie in is converted to 32-bit pixels once for all of them. A bitmap smaller than
// kMinimumSkinBitmapSize yields black where it has no pixels.
Skin CutSkin(const QImage& bitmap);

QColor ToQColor(ColorRef color);
ColorRef ToColorRef(const QColor& color);

}  // namespace lyr
