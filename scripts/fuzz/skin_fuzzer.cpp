// SPDX-License-Identifier: GPL-3.0-or-later
// Skins come from anywhere: a damaged BMP file or zip archive must load the built-in skin,
// never crash or allocate without bound. The first byte chooses the road: decoding the bytes
// as a BMP image, or reading them from a file as a skin archive (and then as a BMP file).
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QtGlobal>

#include <cstddef>
#include <cstdint>

#include <unistd.h>

#include "ui/skin/skin_loader.h"

// Qt's decoder warns about every damaged image; the fuzzer's own output is what counts.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1),
                           static_cast<qsizetype>(size - 1));
    if (data[0] % 2 == 0) {
        lyr::DecodeSkinBitmap(bytes);
        return 0;
    }
    static const QString path =
        QDir::temp().filePath(QStringLiteral("lyr-skin-fuzz-%1.wsz").arg(getpid()));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
        file.write(bytes) == bytes.size()) {
        file.close();
        lyr::ReadSkinBitmap(path);
        QFile::remove(path);
    }
    return 0;
}
