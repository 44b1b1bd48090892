// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "contacts/colour.h"
#include "contacts/user_data.h"

namespace lyr {

// A rectangle of the list's viewport; right and bottom are exclusive.
struct RowRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;

    friend bool operator==(const RowRect&, const RowRect&) = default;
};

enum class RowFontStyle { Plain, Bold, BoldUnderline };

// How one row of the user list is drawn: fill FillRect with FillColor, draw image Image of the
// user images (0 dark box, 1 dark ticked, 2 white box, 3 white ticked) at (ImageLeft, Top),
// then the entry's Name with a transparent background in the list's font colour at
// (TextLeft, Top) in FontStyle.
struct UserRowDrawing {
    ColorRef FillColor = 0;
    RowRect FillRect;
    int Image = 0;
    int ImageLeft = 0;
    int TextLeft = 0;
    int Top = 0;
    RowFontStyle FontStyle = RowFontStyle::Plain;
};

// The drawing of `entry` in row rectangle `rect` of a list with colours `background` and
// `font_color`; `focused` is whether the row has the keyboard focus (selection changes nothing).
// A white font gets lighter fills for ticked rows and the white images; any other font darker
// fills and the dark images. Each Kind indents by 16 pixels.
UserRowDrawing DrawUserRow(const TUserData& entry, const RowRect& rect, bool focused,
                           ColorRef background, ColorRef font_color);

}  // namespace lyr
