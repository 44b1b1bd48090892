// SPDX-License-Identifier: GPL-3.0-or-later
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

#include "support/test_data.h"
#include "ui/skin/skin_archive.h"
#include "ui/skin/skin_loader.h"
#include "ui/skin_fixtures.h"

Q_DECLARE_METATYPE(std::vector<lyr::test::ZipEntry>)

namespace lyr {
namespace {

const QColor kBuiltInSample(16, 16, 24);
// A sample colour no other source in these tests has, with black text.
const QColor kTestSample(200, 180, 40);

bool IsBuiltIn(const Skin& skin) {
    const Skin builtIn = CutSkin(BuiltInSkinBitmap());
    return skin.SkinColor == kBuiltInSample && skin.SkinTextColor == QColor(Qt::white) &&
           skin.tiles == builtIn.tiles;
}

bool IsTestSkin(const Skin& skin) {
    return skin.SkinColor == kTestSample && skin.SkinTextColor == QColor(Qt::black) &&
           skin.Tile(FrameTile::BottomMiddle).pixelColor(0, 0) ==
               test::TestTileColor(FrameTile::BottomMiddle);
}

}  // namespace

class SkinLoadingTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;
    QByteArray testBmp_;

    QString Path(const QString& name) const { return dir_.filePath(name); }

    QString WriteBmp(const QString& name) const {
        test::WriteBytes(Path(name), testBmp_);
        return Path(name);
    }

    QString WriteArchive(const QString& name, const std::vector<test::ZipEntry>& entries) const {
        test::WriteZip(Path(name), entries);
        return Path(name);
    }

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        testBmp_ = test::BmpBytes(test::MakeTestSkinBitmap(kTestSample));
    }

    void builtInSkinIsTheDocumentedBitmap() {
        const QImage bitmap = BuiltInSkinBitmap();
        QCOMPARE(bitmap.size(), QSize(242, 119));
        QCOMPARE(bitmap.pixelColor(140, 100), kBuiltInSample);
        const Skin skin = LoadSkin(QString());
        QCOMPARE(skin.SkinColor, kBuiltInSample);
        QCOMPARE(skin.SkinTextColor, QColor(Qt::white));
    }

    void namesWithoutASkinGiveTheBuiltInOne_data() {
        QTest::addColumn<QString>("skinDir");
        QTest::newRow("empty") << QString();
        QTest::newRow("default entry") << QStringLiteral("<default>");
        QTest::newRow("missing bmp") << QStringLiteral("/nonexistent/skins/blue.bmp");
        QTest::newRow("missing archive") << QStringLiteral("/nonexistent/skins/blue.wsz");
        QTest::newRow("missing directory") << QStringLiteral("/nonexistent/skins/blue");
    }
    void namesWithoutASkinGiveTheBuiltInOne() {
        QFETCH(QString, skinDir);
        QVERIFY(!ReadSkinBitmap(skinDir));
        QVERIFY(IsBuiltIn(LoadSkin(skinDir)));
    }

    void extensionIsTheLastDotAfterTheLastSlash() {
        QCOMPARE(LowerCaseExtension("/home/user/skins/Blue.BMP"), QStringLiteral(".bmp"));
        QCOMPARE(LowerCaseExtension("/home/user/skins/blue.tar.WSZ"), QStringLiteral(".wsz"));
        QCOMPARE(LowerCaseExtension("/home/user/skins.d/blue"), QString());
        QCOMPARE(LowerCaseExtension("blue"), QString());
        // A backslash is an ordinary character of a Linux file name.
        QCOMPARE(LowerCaseExtension("/skins/a.b\\c"), QStringLiteral(".b\\c"));
    }

    void bmpFileIsUsedWhateverTheCaseOfItsExtension() {
        QVERIFY(IsTestSkin(LoadSkin(WriteBmp("plain.bmp"))));
        QVERIFY(IsTestSkin(LoadSkin(WriteBmp("SHOUTING.BMP"))));
    }

    void fileThatIsABmpUnderAnotherNameIsReadAsOne() {
        // Neither a ".bmp" name nor an archive: the file itself is tried as a BMP image.
        QVERIFY(IsTestSkin(LoadSkin(WriteBmp("renamed.zip"))));
        QVERIFY(IsTestSkin(LoadSkin(WriteBmp("no-extension"))));
    }

    void directoryGivesItsMbBmp() {
        QVERIFY(QDir(dir_.path()).mkpath("skin-dir"));
        WriteBmp("skin-dir/mb.bmp");
        QVERIFY(IsTestSkin(LoadSkin(Path("skin-dir"))));
        QVERIFY(IsTestSkin(LoadSkin(Path("skin-dir/"))));
    }

    void directoryMatchesMbBmpWithoutRegardToCase() {
        QVERIFY(QDir(dir_.path()).mkpath("unpacked-on-windows"));
        WriteBmp("unpacked-on-windows/MB.BMP");
        QVERIFY(IsTestSkin(LoadSkin(Path("unpacked-on-windows"))));
    }

    void directoryWithoutMbBmpGivesTheBuiltInSkin() {
        QVERIFY(QDir(dir_.path()).mkpath("no-mb"));
        WriteBmp("no-mb/main.bmp");
        QVERIFY(IsBuiltIn(LoadSkin(Path("no-mb"))));
    }

    void flatArchiveGivesItsMbBmp() {
        const std::vector<test::ZipEntry> entries = {{"main.bmp", "not this one"},
                                                     {"mb.bmp", testBmp_}};
        QVERIFY(IsTestSkin(LoadSkin(WriteArchive("flat.wsz", entries))));
        QVERIFY(IsTestSkin(LoadSkin(WriteArchive("flat.zip", entries))));
        QVERIFY(IsTestSkin(LoadSkin(WriteArchive("flat.ZIP", entries))));
    }

    void archiveLooksInTheFolderOfItsFirstEntryIgnoringCase() {
        const QString archive = WriteArchive("folder.wsz", {{"myskin/main.bmp", "x"},
                                                            {"mb.bmp", "top level: not this one"},
                                                            {"MYSKIN/MB.BMP", testBmp_}});
        QVERIFY(IsTestSkin(LoadSkin(archive)));
        // Archives made on Windows may separate folders with a backslash.
        QVERIFY(IsTestSkin(
            LoadSkin(WriteArchive("backslash.wsz", {{"Skins\\My Skin\\main.bmp", "x"},
                                                    {"skins\\my skin\\Mb.Bmp", testBmp_}}))));
    }

    void archiveWithMbBmpOutsideTheFirstEntrysFolderGivesTheBuiltInSkin() {
        const QString archive =
            WriteArchive("outside.wsz", {{"myskin/main.bmp", "x"}, {"mb.bmp", testBmp_}});
        QVERIFY(!ReadSkinFromArchive(archive));
        QVERIFY(IsBuiltIn(LoadSkin(archive)));
    }

    void unusableArchiveEntriesGiveTheBuiltInSkin_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<std::vector<test::ZipEntry>>("entries");
        const QByteArray half = testBmp_.left(testBmp_.size() / 2);
        QTest::newRow("no entries") << "empty.wsz" << std::vector<test::ZipEntry>{};
        QTest::newRow("entry of size 0")
            << "zero.wsz" << std::vector<test::ZipEntry>{{"mb.bmp", {}}};
        QTest::newRow("entry reads short")
            << "short.wsz"
            << std::vector<test::ZipEntry>{
                   {"mb.bmp", half, static_cast<unsigned long>(testBmp_.size())}};
        QTest::newRow("entry claims more than any skin has")
            << "huge.wsz" << std::vector<test::ZipEntry>{{"mb.bmp", half, 1024UL * 1024 * 1024}};
        QTest::newRow("entry with a wrong checksum")
            << "crc.wsz" << std::vector<test::ZipEntry>{{"mb.bmp", testBmp_, {}, true}};
        QTest::newRow("entry that is no image")
            << "text.wsz" << std::vector<test::ZipEntry>{{"mb.bmp", "BM but not really"}};
        QTest::newRow("only a folder")
            << "folder-only.wsz" << std::vector<test::ZipEntry>{{"myskin/", {}}};
    }
    void unusableArchiveEntriesGiveTheBuiltInSkin() {
        QFETCH(QString, name);
        QFETCH(std::vector<test::ZipEntry>, entries);
        const QString archive = WriteArchive(name, entries);
        QVERIFY(!ReadSkinBitmap(archive));
        QVERIFY(IsBuiltIn(LoadSkin(archive)));
    }

    // A skin smaller than the layout is still the user's skin: its pieces are cut from what
    // the bitmap has, black beyond it.
    void bitmapSmallerThanTheLayoutIsStillUsed() {
        const QByteArray narrow = test::BmpBytes(test::MakeTestSkinBitmap(kTestSample, {232, 119}));
        test::WriteBytes(Path("narrow.bmp"), narrow);
        QVERIFY(IsTestSkin(LoadSkin(Path("narrow.bmp"))));
        const QByteArray shallow =
            test::BmpBytes(test::MakeTestSkinBitmap(kTestSample, {242, 117}));
        QVERIFY(IsTestSkin(LoadSkin(WriteArchive("shallow.wsz", {{"mb.bmp", shallow}}))));

        // A real skin's 275 x 116 bitmap, as a directory, a ".bmp" file and a packed skin.
        QFile real(QString::fromStdString(test::TestDataPath("ui/data/debian-xmms-main.bmp")));
        QVERIFY(real.open(QIODevice::ReadOnly));
        const QByteArray realBytes = real.readAll();
        const QImage realImage = QImage::fromData(realBytes, "BMP");
        QCOMPARE(realImage.size(), QSize(275, 116));
        QVERIFY(QDir(dir_.path()).mkpath("debian"));
        test::WriteBytes(Path("debian/mb.bmp"), realBytes);
        test::WriteBytes(Path("debian.bmp"), realBytes);
        WriteArchive("debian.wsz", {{"Debian/main.bmp", "x"}, {"Debian/mb.bmp", realBytes}});
        for (const char* name : {"debian", "debian.bmp", "debian.wsz"}) {
            const Skin skin = LoadSkin(Path(name));
            QCOMPARE(skin.SkinColor, realImage.pixelColor(kSkinColorSample));
            for (int tile = 0; tile < kFrameTileCount; ++tile) {
                const SkinPiece& piece = TilePiece(static_cast<FrameTile>(tile));
                QCOMPARE(skin.tiles[tile], CutPiece(realImage, piece.source, piece.target));
            }
            // The bottom tiles' last source row lies below the bitmap.
            const QImage& corner = skin.Tile(FrameTile::BottomRight);
            QCOMPARE(corner.pixelColor(60, 37), QColor(Qt::black));
            QCOMPARE(corner.pixelColor(60, 30), realImage.pixelColor(60, 110));
        }
    }

    void bmpHeaderClaimingAHugeImageIsRefusedBeforeDecoding() {
        QByteArray bytes = testBmp_;
        // Width and height of the information header: 100000 x 100000 pixels.
        const qint32 huge = 100000;
        bytes.replace(18, 4, reinterpret_cast<const char*>(&huge), 4);
        bytes.replace(22, 4, reinterpret_cast<const char*>(&huge), 4);
        QVERIFY(!DecodeSkinBitmap(bytes));
    }

    void specialFilesUnderASkinNameNeitherBlockNorLoad() {
        const QString fifo = Path("pipe.wsz");
        QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QVERIFY(IsBuiltIn(LoadSkin(fifo)));
        QVERIFY(IsBuiltIn(LoadSkin(QStringLiteral("/dev/zero"))));
        QVERIFY(IsBuiltIn(LoadSkin(Path("pipe.bmp"))));
    }

    void imagesOfOtherFormatsAreNoSkins() {
        const QImage bitmap = test::MakeTestSkinBitmap(kTestSample);
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(bitmap.save(&buffer, "PNG"));
        test::WriteBytes(Path("really-a-png.bmp"), png);
        QVERIFY(IsBuiltIn(LoadSkin(Path("really-a-png.bmp"))));
        QVERIFY(IsBuiltIn(LoadSkin(WriteArchive("png-inside.wsz", {{"mb.bmp", png}}))));
    }

    void bmpNamedFileThatIsAnArchiveIsNotUnpacked() {
        test::WriteZip(Path("packed.bmp"), {{"mb.bmp", testBmp_}});
        QVERIFY(IsBuiltIn(LoadSkin(Path("packed.bmp"))));
    }

    // Damaged copies of a good skin file and a good archive: none crashes or hangs, and an
    // archive cut anywhere loses its directory and gives the built-in skin.
    void damagedFilesFallBackWithoutCrashing() {
        test::WriteZip(Path("good.wsz"), {{"skin/readme.txt", "hello"}, {"skin/mb.bmp", testBmp_}});
        QFile archiveFile(Path("good.wsz"));
        QVERIFY(archiveFile.open(QIODevice::ReadOnly));
        const QByteArray archive = archiveFile.readAll();
        QVERIFY(IsTestSkin(LoadSkin(Path("good.wsz"))));
        QRandomGenerator random(8);
        for (int round = 0; round < 200; ++round) {
            const auto length = random.bounded(static_cast<int>(archive.size()));
            test::WriteBytes(Path("cut.wsz"), archive.left(length));
            QVERIFY2(IsBuiltIn(LoadSkin(Path("cut.wsz"))), qPrintable(QString::number(length)));
            test::WriteBytes(Path("cut.bmp"), testBmp_.left(random.bounded(54)));
            QVERIFY(IsBuiltIn(LoadSkin(Path("cut.bmp"))));
            // Cut in the pixels the decoder may still make an image of; it must not crash.
            test::WriteBytes(Path("cut-pixels.bmp"),
                             testBmp_.left(random.bounded(static_cast<int>(testBmp_.size()))));
            LoadSkin(Path("cut-pixels.bmp"));
        }
        for (const auto& [original, name] : {std::pair{testBmp_, QStringLiteral("flipped.bmp")},
                                             std::pair{archive, QStringLiteral("flipped.wsz")}}) {
            for (int round = 0; round < 300; ++round) {
                QByteArray bytes = original;
                for (int flips = 1 + random.bounded(8); flips > 0; --flips) {
                    bytes[random.bounded(static_cast<int>(bytes.size()))] =
                        static_cast<char>(random.bounded(256));
                }
                test::WriteBytes(Path(name), bytes);
                LoadSkin(Path(name));
            }
        }
        test::WriteBytes(Path("garbage.wsz"), QByteArray(4096, '\xA5'));
        QVERIFY(IsBuiltIn(LoadSkin(Path("garbage.wsz"))));
        test::WriteBytes(Path("garbage.bmp"), QByteArray("BM") + QByteArray(60, '\xFF'));
        QVERIFY(IsBuiltIn(LoadSkin(Path("garbage.bmp"))));
    }
};

}  // namespace lyr

QTEST_MAIN(lyr::SkinLoadingTest)
#include "skin_loading_test.moc"
