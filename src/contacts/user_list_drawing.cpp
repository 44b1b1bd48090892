// SPDX-License-Identifier: GPL-3.0-or-later
#include "contacts/user_list_drawing.h"

#include "contacts/user_list.h"

namespace lyr {
namespace {

constexpr int kTickedShade = 32;

RowFontStyle FontStyleOf(const TUserData& entry, bool focused) {
    if (focused) {
        return RowFontStyle::BoldUnderline;
    }
    return entry.Checked ? RowFontStyle::Bold : RowFontStyle::Plain;
}

}  // namespace

UserRowDrawing DrawUserRow(const TUserData& entry, const RowRect& rect, bool focused,
                           ColorRef background, ColorRef font_color) {
    const bool white_font = (font_color & kWhite) == kWhite;
    UserRowDrawing drawing;
    drawing.FillColor = background & kWhite;
    if (entry.Checked) {
        drawing.FillColor = white_font ? LightenColor(background, kTickedShade)
                                       : DarkenColor(background, kTickedShade);
    }
    drawing.FillRect = {rect.Left - 1, rect.Top - 1, rect.Right + 1, rect.Bottom + 1};
    drawing.Image = (white_font ? 2 : 0) + (entry.Checked ? 1 : 0);
    drawing.ImageLeft = rect.Left + UserList::kIndentPerKind * entry.Kind;
    drawing.TextLeft = drawing.ImageLeft + UserList::kIndentPerKind;
    drawing.Top = rect.Top;
    drawing.FontStyle = FontStyleOf(entry, focused);
    return drawing;
}

}  // namespace lyr
