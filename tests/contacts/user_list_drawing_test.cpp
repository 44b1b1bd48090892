// SPDX-License-Identifier: GPL-3.0-or-later
#include "contacts/user_list_drawing.h"

#include <gtest/gtest.h>

namespace lyr {
namespace {

TUserData EntryOfKind(uint8_t kind, bool checked) {
    TUserData entry;
    entry.Name = "PC1";
    entry.Kind = kind;
    entry.Checked = checked;
    return entry;
}

constexpr RowRect kRow{0, 32, 180, 48};

TEST(UserListDrawing, TickedRowsAreDarkerUnlessTheFontIsWhite) {
    // Red 0xF0, green 0x10, blue 0xE0: each way one component hits its limit.
    const ColorRef background = MakeColorRef(0xF0, 0x10, 0xE0);
    const TUserData ticked = EntryOfKind(TUserData::kComputer, true);
    const TUserData unticked = EntryOfKind(TUserData::kComputer, false);

    const auto dark_font = DrawUserRow(ticked, kRow, false, background, 0xFFFFFE);
    EXPECT_EQ(dark_font.FillColor, MakeColorRef(0xD0, 0x00, 0xC0));
    EXPECT_EQ(dark_font.Image, 1);
    EXPECT_EQ(DrawUserRow(unticked, kRow, false, background, kBlack).Image, 0);
    EXPECT_EQ(DrawUserRow(unticked, kRow, false, background, kBlack).FillColor, background);

    const auto white_font = DrawUserRow(ticked, kRow, false, background, kWhite);
    EXPECT_EQ(white_font.FillColor, MakeColorRef(0xFF, 0x30, 0xFF));
    EXPECT_EQ(white_font.Image, 3);
    EXPECT_EQ(DrawUserRow(unticked, kRow, false, background, kWhite).Image, 2);
    EXPECT_EQ(DrawUserRow(unticked, kRow, false, background, kWhite).FillColor, background);

    // The limits themselves: 31 darkens to 0, 224 lightens to 255; 32 and 223 just reach them.
    EXPECT_EQ(DrawUserRow(ticked, kRow, false, MakeColorRef(31, 32, 33), kBlack).FillColor,
              MakeColorRef(0, 0, 1));
    EXPECT_EQ(DrawUserRow(ticked, kRow, false, MakeColorRef(224, 223, 222), kWhite).FillColor,
              MakeColorRef(255, 255, 254));
}

TEST(UserListDrawing, EachKindIndentsSixteenPixels) {
    const RowRect row{4, 32, 180, 48};
    for (uint8_t kind : {TUserData::kWholeNetwork, TUserData::kGroup, TUserData::kComputer}) {
        const auto drawing = DrawUserRow(EntryOfKind(kind, false), row, false, kWhite, kBlack);
        EXPECT_EQ(drawing.ImageLeft, 4 + 16 * kind);
        EXPECT_EQ(drawing.TextLeft, 4 + 16 * kind + 16);
        EXPECT_EQ(drawing.Top, 32);
        EXPECT_EQ(drawing.FillRect, (RowRect{3, 31, 181, 49}));
    }
}

TEST(UserListDrawing, FocusUnderlinesAndTicksMakeBold) {
    auto style = [](bool checked, bool focused) {
        return DrawUserRow(EntryOfKind(TUserData::kComputer, checked), kRow, focused, kWhite,
                           kBlack)
            .FontStyle;
    };
    EXPECT_EQ(style(false, false), RowFontStyle::Plain);
    EXPECT_EQ(style(true, false), RowFontStyle::Bold);
    EXPECT_EQ(style(false, true), RowFontStyle::BoldUnderline);
    EXPECT_EQ(style(true, true), RowFontStyle::BoldUnderline);
}

}  // namespace
}  // namespace lyr
