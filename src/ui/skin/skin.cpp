// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/skin/skin.h"

namespace lyr {
namespace {

// Rectangles are (left, top, right, bottom) with right and bottom exclusive.
constexpr SkinPiece Piece(int left, int top, int right, int bottom, int width, int height) {
    return {QRect(left, top, right - left, bottom - top), QSize(width, height)};
}

constexpr std::array<SkinPiece, kFrameTileCount> kTilePieces = {
    Piece(0, 0, 24, 19, 25, 20),       // title-bar left
    Piece(127, 0, 151, 19, 25, 20),    // title-bar middle
    Piece(153, 0, 177, 19, 25, 20),    // title-bar right
    Piece(0, 42, 124, 79, 125, 38),    // bottom left, with the faces of the bottom buttons
    Piece(127, 42, 137, 70, 11, 29),   // left edge
    Piece(139, 42, 146, 70, 8, 29),    // right edge
    Piece(0, 81, 124, 118, 125, 38),   // bottom right, with the resize grip
    Piece(127, 81, 151, 118, 25, 38),  // bottom middle
};

constexpr std::array<SkinPiece, kCaptionButtonCount> kNormalFacePieces = {
    Piece(167, 3, 175, 11, 9, 9),  Piece(9, 51, 24, 69, 15, 18),  Piece(24, 51, 39, 69, 15, 18),
    Piece(38, 51, 56, 69, 18, 18), Piece(55, 51, 71, 69, 16, 18), Piece(69, 51, 84, 69, 15, 18),
};

constexpr std::array<SkinPiece, kCaptionButtonCount> kPressedFacePieces = {
    Piece(148, 42, 156, 50, 9, 9),   Piece(158, 42, 173, 60, 15, 18),
    Piece(173, 42, 188, 60, 15, 18), Piece(187, 42, 205, 60, 18, 18),
    Piece(204, 42, 220, 60, 16, 18), Piece(218, 42, 233, 60, 15, 18),
};

// The source pixel shown at target pixel `target`: the one under the target pixel's centre.
int SourceIndex(int target, int sourceSize, int targetSize) {
    return static_cast<int>((2LL * target + 1) * sourceSize / (2LL * targetSize));
}

}  // namespace

const SkinPiece& TilePiece(FrameTile tile) {
    return kTilePieces[static_cast<int>(tile)];
}

const SkinPiece& NormalFacePiece(CaptionButton button) {
    return kNormalFacePieces[static_cast<int>(button)];
}

const SkinPiece& PressedFacePiece(CaptionButton button) {
    return kPressedFacePieces[static_cast<int>(button)];
}

QImage CutPiece(const QImage& bitmap, const QRect& source, QSize target) {
    QImage piece(target, QImage::Format_RGB32);
    piece.fill(Qt::black);
    // Shares the bitmap's pixels when it is already in this format.
    const QImage pixels = bitmap.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < target.height(); ++y) {
        const int sourceY = source.top() + SourceIndex(y, source.height(), target.height());
        if (sourceY < 0 || sourceY >= pixels.height()) {
            continue;
        }
        const auto* sourceLine = reinterpret_cast<const QRgb*>(pixels.constScanLine(sourceY));
        auto* targetLine = reinterpret_cast<QRgb*>(piece.scanLine(y));
        for (int x = 0; x < target.width(); ++x) {
            const int sourceX = source.left() + SourceIndex(x, source.width(), target.width());
            if (sourceX >= 0 && sourceX < pixels.width()) {
                targetLine[x] = sourceLine[sourceX];
            }
        }
    }
    return piece;
}

Skin CutSkin(const QImage& skinBitmap) {
    // Converting a large paletted bitmap costs far more than cutting twenty small pieces from
    // it, so only the part the pieces lie in is converted, once for all of them.
    const QRect layout = QRect(QPoint(0, 0), kMinimumSkinBitmapSize) & skinBitmap.rect();
    const QImage bitmap = skinBitmap.copy(layout).convertToFormat(QImage::Format_RGB32);
    Skin skin;
    for (int i = 0; i < kFrameTileCount; ++i) {
        skin.tiles[i] = CutPiece(bitmap, kTilePieces[i].source, kTilePieces[i].target);
    }
    for (int i = 0; i < kCaptionButtonCount; ++i) {
        skin.buttons[i].NormalImage =
            CutPiece(bitmap, kNormalFacePieces[i].source, kNormalFacePieces[i].target);
        skin.buttons[i].PressImage =
            CutPiece(bitmap, kPressedFacePieces[i].source, kPressedFacePieces[i].target);
    }
    const QPoint sample = kSkinColorSample;
    skin.SkinColor =
        bitmap.valid(sample) ? QColor(bitmap.pixel(sample)).toRgb() : QColor(Qt::black);
    skin.SkinTextColor = ToQColor(ContrastColor(ToColorRef(skin.SkinColor)));
    return skin;
}

QColor ToQColor(ColorRef color) {
    return QColor(RedOf(color), GreenOf(color), BlueOf(color));
}

ColorRef ToColorRef(const QColor& color) {
    const QColor rgb = color.toRgb();
    return MakeColorRef(rgb.red(), rgb.green(), rgb.blue());
}

}  // namespace lyr
