// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QString>

#include <optional>
#include <string>
#include <vector>

#include "ui/skin/skin.h"

namespace lyr::test {

// The colour a test skin gives each piece's source rectangle, all different.
QColor TestTileColor(FrameTile tile);
QColor TestFaceColor(CaptionButton button, bool pressed);

// A skin bitmap in which every source rectangle is filled with its piece's test colour (the
// button faces painted after the tiles, in button order) and the colour sample is `sample`.
QImage MakeTestSkinBitmap(const QColor& sample, QSize size = QSize(242, 119));

QByteArray BmpBytes(const QImage& image);
void WriteBytes(const QString& path, const QByteArray& bytes);

struct ZipEntry {
    std::string name;
    QByteArray data;
    // Stored raw with this as the uncompressed size in the directory, to make entries that
    // read short or claim more than they hold.
    std::optional<unsigned long> claimedSize = std::nullopt;
    // A wrong CRC for the data (raw entries only).
    bool damagedCrc = false;
};

// Writes a zip archive holding `entries` in this order (deflated unless raw).
void WriteZip(const QString& path, const std::vector<ZipEntry>& entries);

}  // namespace lyr::test
