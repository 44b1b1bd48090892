// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFont>
#include <QPainter>
#include <QSize>

#include "ui/skin/skin.h"

namespace lyr {

// The window's own font, in which the title is measured (and drawn bold).
QFont FrameFont();

// Paints the frame and the shadowed title for a client area of `client` at (0, 0). The
// picture is put together off screen and copied in one operation, so painting never shows
// a half-drawn frame; the inside is left in SkinColor for the panes to cover.
void PaintFrame(QPainter& painter, const Skin& skin, QSize client);

}  // namespace lyr
