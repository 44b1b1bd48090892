// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace lyr {

// The most bytes a skin file may have, in an archive or on disk; a real one is a few hundred
// kilobytes at most.
inline constexpr qint64 kMaxSkinFileBytes = 16 * 1024 * 1024;

// Reads the skin bitmap "mb.bmp" out of a zip archive (".zip", ".wsz"). Skins are packed
// either flat or inside one folder, so the entry looked for is "mb.bmp" in the folder of the
// archive's first entry, its name compared without regard to the case of A-Z. Gives nothing
// when the file is not a readable archive, has no such entry, or the entry is empty, larger
// than kMaxSkinFileBytes, damaged or shorter than it claims.
std::optional<QByteArray> ReadSkinFromArchive(const QString& archivePath);

}  // namespace lyr
