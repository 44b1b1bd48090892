// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QString>
#include <QWidget>

namespace lyr {

// The main window's widgets that take the skin's colours; a missing one is left out.
struct SkinColorTargets {
    QWidget* window = nullptr;
    QWidget* InfoText = nullptr;
    QWidget* SendText = nullptr;
    QWidget* RecText = nullptr;
    QWidget* UserList = nullptr;
    QWidget* FromPanel = nullptr;
    QWidget* Splitter1 = nullptr;
    QWidget* Splitter2 = nullptr;
};

// Gives the panes, the list, the sender panel and the status line SkinColor behind
// SkinTextColor; the splitters and the window SkinColor (the window's text SkinTextColor too);
// and every TSmallButton on FromPanel SkinTextColor for glyph and border on SkinColor.
void ApplySkinColors(const QColor& SkinColor, const QColor& SkinTextColor,
                     const SkinColorTargets& targets);

// The text-pane font as the settings keep it. FontSet is the Windows character-set number
// (204 for Cyrillic); Qt chooses glyphs by Unicode and falls back to other faces for missing
// ones, so it has nothing to select here and is kept only for the settings.
struct TextPaneFont {
    QString FontName;
    int FontSize = 0;  // points
    int FontSet = 0;
};

// Gives RecText, then SendText, the face and size of `font`; an empty name or a size below 1
// leaves that part as it is. The font colour is not touched.
void ApplyFonts(const TextPaneFont& font, QWidget* RecText, QWidget* SendText);

}  // namespace lyr
