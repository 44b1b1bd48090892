// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

#include "messaging/main_window_views.h"

namespace lyr {

// The default sizes of the skin tiles the frame is built of.
inline constexpr std::int32_t kTitleTileWidth = 25;  // title bar left, middle and right tiles
inline constexpr std::int32_t kTitleTileHeight = 20;
inline constexpr std::int32_t kBottomTileHeight = 38;  // bottom-left, middle and right tiles
inline constexpr std::int32_t kEdgeTileHeight = 29;    // left and right edge tiles
inline constexpr std::int32_t kLeftEdgeWidth = 11;
inline constexpr std::int32_t kRightEdgeWidth = 8;

// A client area without a saved size, enlarged to whole middle and edge tiles: 353 x 203
// becomes 375 x 232.
ClientSize SnapClientSizeToTileGrid(ClientSize client);

// The panels inside the frame and the status line in its bottom bar, for a client size and
// the saved splitter positions P2X and P5Y.
MainWindowLayout LayoutForClientSize(ClientSize client, std::int32_t p2x, std::int32_t p5y);

}  // namespace lyr
