// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/skin_fixtures.h"

#include <QBuffer>
#include <QFile>
#include <QPainter>

#include <stdexcept>

#include <zip.h>
#include <zlib.h>

namespace lyr::test {

QColor TestTileColor(FrameTile tile) {
    const int i = static_cast<int>(tile);
    return QColor(30 + 25 * i, 220 - 20 * i, 60 + 10 * i);
}

QColor TestFaceColor(CaptionButton button, bool pressed) {
    const int i = static_cast<int>(button);
    return pressed ? QColor(250, 40 + 30 * i, 10) : QColor(5, 40 + 30 * i, 250);
}

QImage MakeTestSkinBitmap(const QColor& sample, QSize size) {
    QImage bitmap(size, QImage::Format_RGB32);
    bitmap.fill(QColor(0, 0, 0));
    QPainter painter(&bitmap);
    for (int i = 0; i < kFrameTileCount; ++i) {
        const auto tile = static_cast<FrameTile>(i);
        painter.fillRect(TilePiece(tile).source, TestTileColor(tile));
    }
    for (int i = 0; i < kCaptionButtonCount; ++i) {
        const auto button = static_cast<CaptionButton>(i);
        painter.fillRect(NormalFacePiece(button).source, TestFaceColor(button, false));
        painter.fillRect(PressedFacePiece(button).source, TestFaceColor(button, true));
    }
    painter.end();
    if (bitmap.valid(kSkinColorSample)) {
        bitmap.setPixelColor(kSkinColorSample, sample);
    }
    return bitmap;
}

QByteArray BmpBytes(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "BMP")) {
        throw std::runtime_error("cannot encode a BMP image");
    }
    return bytes;
}

void WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(bytes) != bytes.size()) {
        throw std::runtime_error("cannot write " + path.toStdString());
    }
}

void WriteZip(const QString& path, const std::vector<ZipEntry>& entries) {
    zipFile archive = zipOpen64(QFile::encodeName(path).constData(), APPEND_STATUS_CREATE);
    if (archive == nullptr) {
        throw std::runtime_error("cannot create " + path.toStdString());
    }
    for (const ZipEntry& entry : entries) {
        const bool raw = entry.claimedSize.has_value() || entry.damagedCrc;
        zip_fileinfo info{};
        int status = zipOpenNewFileInZip2(archive, entry.name.c_str(), &info, nullptr, 0, nullptr,
                                          0, nullptr, raw ? 0 : Z_DEFLATED,
                                          raw ? 0 : Z_DEFAULT_COMPRESSION, raw ? 1 : 0);
        if (status == ZIP_OK && !entry.data.isEmpty()) {
            status = zipWriteInFileInZip(archive, entry.data.constData(),
                                         static_cast<unsigned>(entry.data.size()));
        }
        if (status == ZIP_OK) {
            if (raw) {
                uLong crc = crc32(0, reinterpret_cast<const Bytef*>(entry.data.constData()),
                                  static_cast<uInt>(entry.data.size()));
                if (entry.damagedCrc) {
                    crc ^= 0x5A5A5A5A;
                }
                status = zipCloseFileInZipRaw(
                    archive,
                    entry.claimedSize.value_or(static_cast<unsigned long>(entry.data.size())), crc);
            } else {
                status = zipCloseFileInZip(archive);
            }
        }
        if (status != ZIP_OK) {
            zipClose(archive, nullptr);
            throw std::runtime_error("cannot write entry " + entry.name);
        }
    }
    if (zipClose(archive, nullptr) != ZIP_OK) {
        throw std::runtime_error("cannot finish " + path.toStdString());
    }
}

}  // namespace lyr::test
