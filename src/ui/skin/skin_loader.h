// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

#include <optional>

#include "ui/skin/skin.h"

namespace lyr {

// The lower-case extension of a path, dot included: from the last "." after the last "/";
// empty when there is none.
QString LowerCaseExtension(const QString& path);

// Decodes BMP bytes. Gives nothing for data that is not a BMP image and for one whose header
// claims a size no skin has, before anything is allocated for it. An image smaller than
// kMinimumSkinBitmapSize is given as it is: its pieces are cut from what it has.
std::optional<QImage> DecodeSkinBitmap(const QByteArray& bytes);

// The skin bitmap that `skinDir` names: a ".bmp" file; a directory's "mb.bmp"; "mb.bmp" in a
// zip archive (".zip", ".wsz"); or, when none of these gives one, the file itself read as a
// BMP image. Nothing when there is no usable bitmap there.
std::optional<QImage> ReadSkinBitmap(const QString& skinDir);

// The program's own skin bitmap "MAINSKIN", 242 x 119.
QImage BuiltInSkinBitmap();

// The skin that `skinDir` names, cut into its pieces; the built-in skin when there is none
// (an empty name, "<default>", a missing or unreadable file). Never fails and shows nothing.
Skin LoadSkin(const QString& skinDir);

}  // namespace lyr
