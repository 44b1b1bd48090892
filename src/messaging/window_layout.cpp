// SPDX-License-Identifier: GPL-3.0-or-later
#include "messaging/window_layout.h"

namespace lyr {
namespace {

// Whole tiles between the two fixed ends; one more than fits, so the area never shrinks.
std::int32_t SnapToTiles(std::int32_t length, std::int32_t fixed_ends, std::int32_t tile) {
    return ((length - fixed_ends) / tile + 1) * tile + fixed_ends;
}

constexpr std::int32_t kInfoTextLeft = 91;
constexpr std::int32_t kInfoTextRightGap = 26;
constexpr std::int32_t kInfoTextBottomGap = 28;

}  // namespace

ClientSize SnapClientSizeToTileGrid(ClientSize client) {
    return {SnapToTiles(client.Width, 2 * kTitleTileWidth, kTitleTileWidth),
            SnapToTiles(client.Height, kTitleTileHeight + kBottomTileHeight, kEdgeTileHeight)};
}

MainWindowLayout LayoutForClientSize(ClientSize client, std::int32_t p2x, std::int32_t p5y) {
    MainWindowLayout layout;
    layout.Panel1 = {kLeftEdgeWidth, kTitleTileHeight,
                     client.Width - kLeftEdgeWidth - kRightEdgeWidth,
                     client.Height - kTitleTileHeight - kBottomTileHeight};
    layout.Panel2Width = p2x;
    layout.Panel5Height = p5y;
    layout.InfoText = {kInfoTextLeft, client.Height - kInfoTextBottomGap,
                       client.Width - kInfoTextLeft - kInfoTextRightGap, 0};
    return layout;
}

}  // namespace lyr
