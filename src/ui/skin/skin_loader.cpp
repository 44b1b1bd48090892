// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/skin/skin_loader.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include "ui/skin/skin_archive.h"

// The resource's initialiser lives in this static library and must be named outside any
// namespace.
static void InitialiseSkinResource() {
    Q_INIT_RESOURCE(skin);
}

namespace lyr {
namespace {

// Larger than any skin, far smaller than what a hostile header could make us allocate.
constexpr int kMaxSkinBitmapSide = 4096;

std::optional<QByteArray> ReadSmallFile(const QString& path) {
    // Only regular files: a FIFO or a device under a skin's name would block or never end.
    const QFileInfo info(path);
    if (!info.isFile() || info.size() > kMaxSkinFileBytes) {
        return std::nullopt;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    QByteArray contents = file.read(kMaxSkinFileBytes + 1);
    if (contents.size() > kMaxSkinFileBytes) {
        return std::nullopt;
    }
    return contents;
}

std::optional<QImage> ReadBmpFile(const QString& path) {
    const auto bytes = ReadSmallFile(path);
    return bytes ? DecodeSkinBitmap(*bytes) : std::nullopt;
}

// A skin directory's "mb.bmp". Skins come from systems that ignore the case of file names,
// so "MB.BMP" and the like count too when there is no exact "mb.bmp".
QString SkinFileInDirectory(const QString& directory) {
    const QDir folder(directory);
    if (folder.exists("mb.bmp")) {
        return folder.filePath("mb.bmp");
    }
    const QStringList names = folder.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : names) {
        if (name.size() == 6 && name.compare("mb.bmp", Qt::CaseInsensitive) == 0) {
            return folder.filePath(name);
        }
    }
    return folder.filePath("mb.bmp");
}

}  // namespace

QString LowerCaseExtension(const QString& path) {
    const qsizetype dot = path.lastIndexOf('.');
    if (dot < 0 || dot < path.lastIndexOf('/')) {
        return {};
    }
    return path.mid(dot).toLower();
}

std::optional<QImage> DecodeSkinBitmap(const QByteArray& bytes) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "BMP");
    reader.setAutoDetectImageFormat(false);
    const QSize claimed = reader.size();
    if (!claimed.isValid() || claimed.width() > kMaxSkinBitmapSide ||
        claimed.height() > kMaxSkinBitmapSide) {
        return std::nullopt;
    }
    QImage image = reader.read();
    if (image.isNull()) {
        return std::nullopt;
    }
    return image;
}

std::optional<QImage> ReadSkinBitmap(const QString& skinDir) {
    if (skinDir.isEmpty()) {
        return std::nullopt;
    }
    const QFileInfo info(skinDir);
    if (info.isDir()) {
        return ReadBmpFile(SkinFileInDirectory(skinDir));
    }
    if (LowerCaseExtension(skinDir) == ".bmp") {
        return ReadBmpFile(skinDir);
    }
    if (!info.isFile()) {
        return std::nullopt;
    }
    if (const auto packed = ReadSkinFromArchive(skinDir)) {
        return DecodeSkinBitmap(*packed);
    }
    return ReadBmpFile(skinDir);
}

QImage BuiltInSkinBitmap() {
    InitialiseSkinResource();
    QImage image(":/MAINSKIN", "BMP");
    if (image.isNull()) {
        // Only a broken build lacks the resource; a plain frame still beats no window.
        image = QImage(242, 119, QImage::Format_RGB32);
        image.fill(QColor(16, 16, 24));
    }
    return image;
}

Skin LoadSkin(const QString& skinDir) {
    const auto bitmap = ReadSkinBitmap(skinDir);
    return CutSkin(bitmap ? *bitmap : BuiltInSkinBitmap());
}

}  // namespace lyr
