// SPDX-License-Identifier: GPL-3.0-or-later
#include <QTemporaryDir>
#include <QTest>

#include <set>

#include "ui/skin/skin_loader.h"
#include "ui/skin_fixtures.h"

namespace lyr {
namespace {

// Each pixel tells where it came from: red the column, green the row.
QImage CoordinateBitmap() {
    QImage bitmap(242, 119, QImage::Format_RGB32);
    for (int y = 0; y < bitmap.height(); ++y) {
        for (int x = 0; x < bitmap.width(); ++x) {
            bitmap.setPixel(x, y, qRgb(x, y, 0));
        }
    }
    return bitmap;
}

bool IsFilledWith(const QImage& image, const QColor& color) {
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixelColor(x, y) != color) {
                return false;
            }
        }
    }
    return true;
}

}  // namespace

class SkinPiecesTest : public QObject {
    Q_OBJECT

private slots:
    void everyPieceComesFromItsRectangleAtItsTargetSize() {
        const QColor sample(1, 2, 3);
        const Skin skin = CutSkin(test::MakeTestSkinBitmap(sample));
        const QSize tileSizes[] = {{25, 20}, {25, 20}, {25, 20},  {125, 38},
                                   {11, 29}, {8, 29},  {125, 38}, {25, 38}};
        for (int i = 0; i < kFrameTileCount; ++i) {
            const auto tile = static_cast<FrameTile>(i);
            QCOMPARE(skin.Tile(tile).size(), tileSizes[i]);
            QCOMPARE(skin.Tile(tile).pixelColor(0, 0), test::TestTileColor(tile));
        }
        // Tiles without buttons on them (and away from the colour sample) are one colour.
        for (FrameTile tile : {FrameTile::TitleLeft, FrameTile::TitleMiddle, FrameTile::LeftEdge,
                               FrameTile::RightEdge, FrameTile::BottomRight}) {
            QVERIFY(IsFilledWith(skin.Tile(tile), test::TestTileColor(tile)));
        }
        // The bottom-left tile carries the normal faces of the bottom buttons, the title's right
        // tile the close button's.
        QCOMPARE(skin.Tile(FrameTile::BottomLeft).pixelColor(12, 14),
                 test::TestFaceColor(CaptionButton::Previous, false));
        QCOMPARE(skin.Tile(FrameTile::TitleRight).pixelColor(17, 6),
                 test::TestFaceColor(CaptionButton::Close, false));

        const QSize faceSizes[] = {{9, 9}, {15, 18}, {15, 18}, {18, 18}, {16, 18}, {15, 18}};
        for (int i = 0; i < kCaptionButtonCount; ++i) {
            const auto button = static_cast<CaptionButton>(i);
            const ButtonFaces& faces = skin.Faces(button);
            QCOMPARE(faces.NormalImage.size(), faceSizes[i]);
            QCOMPARE(faces.PressImage.size(), faceSizes[i]);
            // Away from the columns that neighbouring faces share.
            QCOMPARE(faces.NormalImage.pixelColor(4, 4), test::TestFaceColor(button, false));
            QCOMPARE(faces.PressImage.pixelColor(4, 4), test::TestFaceColor(button, true));
        }
        QVERIFY(IsFilledWith(skin.Faces(CaptionButton::Close).PressImage,
                             test::TestFaceColor(CaptionButton::Close, true)));
    }

    void enlargingByOnePixelRepeatsTheMiddleRowAndColumn() {
        const QImage bitmap = CoordinateBitmap();
        const Skin skin = CutSkin(bitmap);
        for (int i = 0; i < kFrameTileCount; ++i) {
            const SkinPiece& piece = TilePiece(static_cast<FrameTile>(i));
            const QImage& tile = skin.tiles[i];
            std::set<int> columns;
            std::set<int> rows;
            for (int x = 0; x < tile.width(); ++x) {
                columns.insert(qRed(tile.pixel(x, 0)));
            }
            for (int y = 0; y < tile.height(); ++y) {
                rows.insert(qGreen(tile.pixel(0, y)));
            }
            // Every source column and row shows, the outer ones exactly once.
            QCOMPARE(int(columns.size()), piece.source.width());
            QCOMPARE(int(rows.size()), piece.source.height());
            const int last = tile.width() - 1;
            QCOMPARE(qRed(tile.pixel(0, 0)), piece.source.left());
            QCOMPARE(qRed(tile.pixel(1, 0)), piece.source.left() + 1);
            QCOMPARE(qRed(tile.pixel(last, 0)), piece.source.right());
            QCOMPARE(qRed(tile.pixel(last - 1, 0)), piece.source.right() - 1);
            const int bottom = tile.height() - 1;
            QCOMPARE(qGreen(tile.pixel(0, bottom)), piece.source.bottom());
            QCOMPARE(qGreen(tile.pixel(0, bottom - 1)), piece.source.bottom() - 1);
        }
        // 24 columns into 25: the thirteenth column shows twice.
        const QImage& titleLeft = skin.Tile(FrameTile::TitleLeft);
        QCOMPARE(qRed(titleLeft.pixel(12, 0)), 12);
        QCOMPARE(qRed(titleLeft.pixel(13, 0)), 12);
        QCOMPARE(qRed(titleLeft.pixel(14, 0)), 13);
        // The close button, 8 x 8 into 9 x 9.
        const QImage& close = skin.Faces(CaptionButton::Close).NormalImage;
        QCOMPARE(qRed(close.pixel(4, 0)), 171);
        QCOMPARE(qRed(close.pixel(5, 0)), 171);
        QCOMPARE(qGreen(close.pixel(0, 8)), 10);
    }

    void bottomButtonFacesAreCopiedAtTheirOwnSize() {
        const QImage bitmap = CoordinateBitmap();
        const Skin skin = CutSkin(bitmap);
        for (int i = 1; i < kCaptionButtonCount; ++i) {
            const auto button = static_cast<CaptionButton>(i);
            QCOMPARE(skin.Faces(button).NormalImage, bitmap.copy(NormalFacePiece(button).source));
            QCOMPARE(skin.Faces(button).PressImage, bitmap.copy(PressedFacePiece(button).source));
        }
    }

    void colourSampleChoosesTheTextColour_data() {
        QTest::addColumn<QColor>("sample");
        QTest::addColumn<QColor>("text");
        QTest::newRow("luma 127") << QColor(127, 127, 127) << QColor(Qt::white);
        QTest::newRow("luma 128") << QColor(128, 128, 128) << QColor(Qt::black);
        QTest::newRow("luma 127.5 rounds to 128") << QColor(0, 204, 68) << QColor(Qt::black);
        QTest::newRow("luma 126.5 rounds to 126") << QColor(0, 172, 224) << QColor(Qt::white);
    }
    void colourSampleChoosesTheTextColour() {
        QFETCH(QColor, sample);
        QFETCH(QColor, text);
        // Through a real skin file, as a user's skin arrives.
        QTemporaryDir dir;
        const QString path = dir.filePath("sample.bmp");
        test::WriteBytes(path, test::BmpBytes(test::MakeTestSkinBitmap(sample)));
        const Skin skin = LoadSkin(path);
        QCOMPARE(skin.SkinColor, sample);
        QCOMPARE(skin.SkinTextColor, text);
    }

    void piecesBeyondASmallBitmapComeOutBlack() {
        const QImage tiny = test::MakeTestSkinBitmap(QColor(9, 9, 9), {100, 50});
        const Skin skin = CutSkin(tiny);
        QVERIFY(IsFilledWith(skin.Tile(FrameTile::BottomRight), Qt::black));
        QVERIFY(IsFilledWith(skin.Faces(CaptionButton::Send).PressImage, Qt::black));
        QCOMPARE(skin.SkinColor, QColor(Qt::black));
        QCOMPARE(skin.Tile(FrameTile::TitleLeft).pixelColor(0, 0),
                 test::TestTileColor(FrameTile::TitleLeft));
    }

    void colourConversionKeepsRedInTheLowByte() {
        QCOMPARE(ToColorRef(QColor(16, 16, 24)), ColorRef{0x181010});
        QCOMPARE(ToQColor(0x181010), QColor(16, 16, 24));
    }
};

}  // namespace lyr

QTEST_MAIN(lyr::SkinPiecesTest)
#include "skin_pieces_test.moc"
