// SPDX-License-Identifier: GPL-3.0-or-later
#include <QActionGroup>
#include <QPainter>
#include <QTest>

#include "ui/keys/shortcut_code.h"
#include "ui/skin/skin.h"
#include "ui/tray/artwork.h"
#include "ui/tray/tray_menu.h"
#include "ui/tray/tray_menu_painting.h"

namespace lyr {
namespace {

const QColor kBand = ToQColor(kTrayMenuSideBandColor);
const QColor kBackground = ToQColor(kTrayMenuBackgroundColor);
const QColor kGrey(128, 128, 128);
const QColor kWhitePixel(255, 255, 255);
const QColor kBlackPixel(0, 0, 0);

TrayMenuItem Item(const QString& caption, const QString& shortcut = {}, const QImage& bitmap = {}) {
    TrayMenuItem item;
    item.caption = caption;
    item.shortcutText = shortcut;
    item.bitmap = bitmap;
    return item;
}

QFont MenuFont() {
    return QFont(QStringLiteral("DejaVu Sans"), 9);
}

QImage Paint(const TrayMenuItem& item, QSize size = {120, 18}) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::magenta);  // anything the painter leaves untouched shows
    QPainter painter(&image);
    PaintTrayMenuItem(painter, QRect(QPoint(0, 0), size), item, MenuFont());
    return image;
}

// The columns in which `image` has a pixel of none of the `plain` colours.
QList<int> InkColumns(const QImage& image, const QList<QColor>& plain, QRect area) {
    QList<int> columns;
    for (int x = area.left(); x <= area.right(); ++x) {
        for (int y = area.top(); y <= area.bottom(); ++y) {
            if (!plain.contains(image.pixelColor(x, y))) {
                columns.append(x);
                break;
            }
        }
    }
    return columns;
}

QString At(int x, int y) {
    return QStringLiteral("pixel %1, %2").arg(x).arg(y);
}

// The check mark of a checked item without a bitmap, from (L, T); '#' black.
const char* const kCheckMark[] = {
    "             ",  // T + 0
    "             ",  //
    "             ",  //
    "             ",  //
    "             ",  //
    "            #",  // T + 5
    "          ## ",  //
    "    #    ##  ",  //
    "     ## ##   ",  //
    "      ###    ",  //
    "       #     ",  // T + 10
};

}  // namespace

class TrayMenuTest : public QObject {
    Q_OBJECT

private slots:
    void itemsAreMeasuredFromTheirTexts() {
        const QFontMetrics metrics(MenuFont());
        QCOMPARE(TrayMenuItemSize(metrics, "-", ""),
                 QSize(metrics.horizontalAdvance("-") + 25, 10));
        QCOMPARE(TrayMenuItemSize(metrics, "Открыть", ""),
                 QSize(metrics.horizontalAdvance("Открыть") + 25, 18));
        QCOMPARE(
            TrayMenuItemSize(metrics, "Настройки", "Ctrl+P"),
            QSize(metrics.horizontalAdvance("Настройки") + metrics.horizontalAdvance("Ctrl+P") + 25,
                  18));
    }

    void plainItemShowsTheSideBandAndItsCaption() {
        const QImage image = Paint(Item("Открыть"));
        for (int y = 0; y < 18; ++y) {
            for (int x = 0; x < 19; ++x) {
                QVERIFY2(image.pixelColor(x, y) == kBand, qPrintable(At(x, y)));
            }
            for (int x = 19; x < 22; ++x) {
                QVERIFY2(image.pixelColor(x, y) == kBackground, qPrintable(At(x, y)));
            }
        }
        // The caption starts at L + 22 and is drawn from T + 1.
        const QList<int> ink = InkColumns(image, {kBackground, kBand}, QRect(0, 0, 120, 18));
        QVERIFY(!ink.isEmpty());
        QVERIFY2(ink.first() >= 22 && ink.first() <= 24, qPrintable(QString::number(ink.first())));
        for (int x = 0; x < 120; ++x) {
            QCOMPARE(image.pixelColor(x, 0), x < 19 ? kBand : kBackground);
        }
    }

    void shortcutEndsFivePixelsBeforeTheRightEdge() {
        const QImage image = Paint(Item("Настройки", "Ctrl+P"), {160, 18});
        const QFontMetrics metrics(MenuFont());
        const int shortcutLeft = 160 - 5 - metrics.horizontalAdvance("Ctrl+P");
        const QList<int> ink = InkColumns(image, {kBackground, kBand},
                                          QRect(shortcutLeft - 1, 0, 160 - shortcutLeft + 1, 18));
        QVERIFY(!ink.isEmpty());
        QVERIFY2(ink.last() <= 160 - 6 && ink.last() >= 160 - 5 - 3,
                 qPrintable(QString::number(ink.last())));
        QVERIFY2(ink.first() >= shortcutLeft, qPrintable(QString::number(ink.first())));
    }

    void separatorIsTwoLinesOverTheBand() {
        const QImage image = Paint(Item("-"), {120, 10});
        for (int y = 0; y < 10; ++y) {
            for (int x = 0; x < 120; ++x) {
                QColor expected = x < 19 ? kBand : kBackground;
                if (x >= 5 && x < 115 && y == 5) {
                    expected = kGrey;
                } else if (x >= 5 && x < 115 && y == 6) {
                    expected = kWhitePixel;
                }
                QVERIFY2(image.pixelColor(x, y) == expected, qPrintable(At(x, y)));
            }
        }
    }

    void selectedItemIsGreyWithABlackOutlineAndUnderlinedCaption() {
        TrayMenuItem item = Item("Выход");
        const QImage plain = Paint(item);
        item.selected = true;
        const QImage selected = Paint(item);
        for (int x = 0; x < 120; ++x) {
            QCOMPARE(selected.pixelColor(x, 0), kBlackPixel);
            QCOMPARE(selected.pixelColor(x, 17), kBlackPixel);
        }
        for (int y = 0; y < 18; ++y) {
            QCOMPARE(selected.pixelColor(0, y), kBlackPixel);
            QCOMPARE(selected.pixelColor(119, y), kBlackPixel);
        }
        // No side band, grey everywhere off the text.
        for (int y = 1; y < 17; ++y) {
            for (int x = 1; x < 22; ++x) {
                QVERIFY2(selected.pixelColor(x, y) == kGrey, qPrintable(At(x, y)));
            }
        }
        // The underline: a row of the caption's width that is ink all along, which the
        // unselected caption does not have.
        const auto longestRun = [](const QImage& image, const QColor& background) {
            int longest = 0;
            for (int y = 1; y < 17; ++y) {
                int run = 0;
                for (int x = 22; x < 118; ++x) {
                    run = image.pixelColor(x, y) == background ? 0 : run + 1;
                    longest = std::max(longest, run);
                }
            }
            return longest;
        };
        const int captionWidth = QFontMetrics(MenuFont()).horizontalAdvance("Выход");
        QVERIFY(longestRun(selected, kGrey) >= captionWidth - 2);
        QVERIFY(longestRun(plain, kBackground) < captionWidth / 2);
    }

    void checkedItemWithoutBitmapShowsTheCheckMark() {
        TrayMenuItem item = Item("Автоответ");
        item.checked = true;
        const QImage image = Paint(item);
        for (int y = 0; y < 11; ++y) {
            for (int x = 0; x < 13; ++x) {
                const QColor expected = kCheckMark[y][x] == '#' ? kBlackPixel : kBand;
                QVERIFY2(image.pixelColor(x, y) == expected, qPrintable(At(x, y)));
            }
        }
        for (int y = 11; y < 18; ++y) {
            for (int x = 0; x < 19; ++x) {
                QVERIFY2(image.pixelColor(x, y) == kBand, qPrintable(At(x, y)));
            }
        }
    }

    void bitmapIsDrawnWithoutItsKeyColour() {
        const QImage bitmap = MenuBitmapImage(MenuBitmap::Active);
        const QColor key = bitmap.pixelColor(0, 0);
        TrayMenuItem item = Item("Активен", "", bitmap);
        const QImage image = Paint(item);
        int drawn = 0;
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x) {
                const QColor expected =
                    bitmap.pixelColor(x, y) == key ? kBand : bitmap.pixelColor(x, y);
                QVERIFY2(image.pixelColor(x + 1, y + 1) == expected, qPrintable(At(x + 1, y + 1)));
                drawn += expected != kBand;
            }
        }
        QVERIFY(drawn > 40);
        // Unchecked: no frame around it.
        for (int x = 0; x < 19; ++x) {
            QCOMPARE(image.pixelColor(x, 0), kBand);
            QCOMPARE(image.pixelColor(x, 17), kBand);
        }
    }

    void checkedItemWithBitmapShowsASunkenFrame() {
        TrayMenuItem item = Item("Активен", "", MenuBitmapImage(MenuBitmap::Active));
        item.checked = true;
        const QImage image = Paint(item);
        // Grey along the top and down the left, white along the bottom and up the right.
        for (int x = 0; x <= 17; ++x) {
            QVERIFY2(image.pixelColor(x, 0) == kGrey, qPrintable(At(x, 0)));
            QVERIFY2(image.pixelColor(x, 17) == kWhitePixel, qPrintable(At(x, 17)));
        }
        for (int y = 1; y <= 16; ++y) {
            QVERIFY2(image.pixelColor(0, y) == kGrey, qPrintable(At(0, y)));
        }
        for (int y = 1; y <= 17; ++y) {
            QVERIFY2(image.pixelColor(18, y) == kWhitePixel, qPrintable(At(18, y)));
        }
        QCOMPARE(image.pixelColor(18, 0), kBand);
        // No check mark drawn over the picture: its key pixels still show the band.
        QCOMPARE(image.pixelColor(1, 1), kBand);
    }

    void menuLaysOutAndPaintsItsItemsSo() {
        TrayPopupMenu menu;
        menu.setFont(MenuFont());
        QAction* open = menu.addAction("Открыть");
        open->setIcon(
            QIcon(QPixmap::fromImage(TransparentByCorner(MenuBitmapImage(MenuBitmap::Open)))));
        menu.setDefaultAction(open);
        QAction* separator = menu.addSeparator();
        TrayPopupMenu* state = menu.AddSubmenu("Состояние");
        QAction* active = state->addAction("Активен");
        active->setCheckable(true);
        active->setChecked(true);
        QAction* settings = menu.addAction("Настройки");
        settings->setShortcut(ShortCutToKeySequence(16464));
        QAction* exit = menu.addAction("Выход");
        QAction* check = menu.addAction("Автоответ");
        check->setCheckable(true);
        check->setChecked(true);

        const QFontMetrics metrics(MenuFont());
        QCOMPARE(menu.actionGeometry(open).height(), 18);
        QCOMPARE(menu.actionGeometry(separator).height(), 10);
        QCOMPARE(menu.actionGeometry(state->menuAction()).height(), 18);
        // Every item is as wide as the widest as measured ("Настройки" with "Ctrl+P", plus 25)
        // and the check mark's column of 12 pixels; the menu adds its three-pixel frame.
        const int widest =
            metrics.horizontalAdvance("Настройки") + metrics.horizontalAdvance("Ctrl+P") + 25 + 12;
        for (QAction* action : menu.actions()) {
            QCOMPARE(menu.actionGeometry(action).width(), widest);
            QCOMPARE(menu.actionGeometry(action).left(), 3);
        }
        QCOMPARE(menu.actionGeometry(open).top(), 3);
        QCOMPARE(menu.actionGeometry(separator).top(), 21);
        QCOMPARE(menu.sizeHint(), QSize(widest + 6, 3 + 18 + 10 + 18 * 4 + 3));

        menu.setActiveAction(exit);
        const QImage picture = menu.grab().toImage().convertToFormat(QImage::Format_RGB32);
        const auto compareItem = [&](QAction* action, TrayMenuItem item) {
            const QRect rect = menu.actionGeometry(action);
            QImage expected(rect.size(), QImage::Format_RGB32);
            QPainter painter(&expected);
            PaintTrayMenuItem(painter, QRect(QPoint(0, 0), rect.size()), item, menu.font());
            painter.end();
            QCOMPARE(picture.copy(rect), expected);
        };
        compareItem(open, Item("Открыть", "", MenuBitmapImage(MenuBitmap::Open)));
        compareItem(separator, Item("-"));
        TrayMenuItem stateItem = Item("Состояние");
        stateItem.hasSubmenu = true;
        compareItem(state->menuAction(), stateItem);
        compareItem(settings, Item("Настройки", "Ctrl+P"));
        TrayMenuItem exitItem = Item("Выход");
        exitItem.selected = true;
        compareItem(exit, exitItem);
        TrayMenuItem checkItem = Item("Автоответ");
        checkItem.checked = true;
        compareItem(check, checkItem);
        // The raised frame: light outside above, dark outside below.
        QCOMPARE(picture.pixelColor(5, 0), QColor(224, 224, 224));
        QCOMPARE(picture.pixelColor(5, picture.height() - 1), QColor(64, 64, 64));
        QCOMPARE(picture.pixelColor(5, 1), kWhitePixel);
        QCOMPARE(picture.pixelColor(5, 2), kBackground);
    }

    void captionsAreDrawnAsTheyStand() {
        // "&" marks no mnemonic here: the text is measured and drawn whole.
        TrayPopupMenu menu;
        menu.setFont(MenuFont());
        QAction* item = menu.addAction("A && B");
        const QFontMetrics metrics(MenuFont());
        QCOMPARE(menu.actionGeometry(item).width(), metrics.horizontalAdvance("A && B") + 25 + 12);
    }
};

}  // namespace lyr

QTEST_MAIN(lyr::TrayMenuTest)
#include "tray_menu_test.moc"
