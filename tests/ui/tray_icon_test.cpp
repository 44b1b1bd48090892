// SPDX-License-Identifier: GPL-3.0-or-later
#include <QElapsedTimer>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>

#include "ui/tray/artwork.h"
#include "ui/tray/tray_icon.h"
#include "ui/window_showing.h"

namespace lyr {
namespace {

QImage Shown(TrayIcon& tray) {
    return tray.SystemTrayIcon()
        .icon()
        .pixmap(QSize(16, 16))
        .toImage()
        .convertToFormat(QImage::Format_ARGB32);
}

int OpaquePixels(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            count += qAlpha(image.pixel(x, y)) == 255;
        }
    }
    return count;
}

}  // namespace

class TrayIconTest : public QObject {
    Q_OBJECT

private slots:
    void artworkHasItsSizes() {
        QCOMPARE(TrayIconImages().size(), 5);
        QCOMPARE(ReceiveAnimationImages().size(), 14);
        QCOMPARE(UserIcons().size(), 10);
        for (const QImage& image : TrayIconImages() + ReceiveAnimationImages()) {
            QCOMPARE(image.size(), QSize(16, 16));
            QVERIFY(OpaquePixels(image) > 100);
            // A bubble on nothing: the corners are see-through.
            QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
        }
        for (int i = 0; i < 5; ++i) {
            for (int j = i + 1; j < 5; ++j) {
                QVERIFY(TrayIconImages()[i] != TrayIconImages()[j]);
            }
        }
        for (int i = 1; i < 14; ++i) {
            QVERIFY(ReceiveAnimationImages()[i] != ReceiveAnimationImages()[i - 1]);
        }
        for (const QImage& icon : UserIcons()) {
            QCOMPARE(icon.size(), QSize(32, 32));
            QVERIFY(OpaquePixels(icon) > 700);
        }
        for (int bitmap = 0; bitmap < kMenuBitmapCount; ++bitmap) {
            const QImage image = MenuBitmapImage(static_cast<MenuBitmap>(bitmap));
            QCOMPARE(image.size(), QSize(16, 16));
            QCOMPARE(OpaquePixels(image), 256);
            const QImage transparent = TransparentByCorner(image);
            QCOMPARE(qAlpha(transparent.pixel(0, 0)), 0);
            const int kept = OpaquePixels(transparent);
            QVERIFY(kept > 40 && kept < 256);
        }
    }

    void transparentByCornerLeavesOutExactlyTheCornerColour() {
        QImage image(3, 2, QImage::Format_RGB32);
        image.fill(QColor(1, 2, 3));
        image.setPixelColor(1, 0, QColor(1, 2, 4));
        image.setPixelColor(2, 1, QColor(200, 0, 0));
        const QImage result = TransparentByCorner(image);
        QCOMPARE(OpaquePixels(result), 2);
        QCOMPARE(result.pixelColor(1, 0), QColor(1, 2, 4));
        QCOMPARE(result.pixelColor(2, 1), QColor(200, 0, 0));
        QVERIFY(TransparentByCorner(QImage()).isNull());
    }

    void showsTheChosenStaticImage() {
        TrayIcon tray;
        for (int index : {3, 1, 2, 0, 4}) {
            tray.SetImageIndex(index);
            QCOMPARE(tray.ImageIndex(), index);
            QCOMPARE(Shown(tray), TrayIconImages()[index]);
        }
        tray.SetImageIndex(5);
        tray.SetImageIndex(-1);
        QCOMPARE(tray.ImageIndex(), 4);
        tray.SetHint("Messenger - активен, писем: 3");
        QCOMPARE(tray.Hint(), QStringLiteral("Messenger - активен, писем: 3"));
    }

    void animationShowsFourteenImagesAHundredMillisecondsEach() {
        TrayIcon tray;
        tray.SetImageIndex(2);
        tray.StartAnimation();
        QVERIFY(tray.Animating());
        QCOMPARE(tray.AnimationFrame(), 0);
        QCOMPARE(Shown(tray), ReceiveAnimationImages()[0]);
        QElapsedTimer clock;
        clock.start();
        QTRY_COMPARE_WITH_TIMEOUT(tray.AnimationFrame(), 1, 1000);
        QVERIFY2(clock.elapsed() >= 90, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(Shown(tray), ReceiveAnimationImages()[1]);
        // A second start while it runs does not begin again.
        tray.StartAnimation();
        QCOMPARE(tray.AnimationFrame(), 1);
        // A static image chosen meanwhile waits for the animation's end.
        tray.SetImageIndex(1);
        QCOMPARE(Shown(tray), ReceiveAnimationImages()[1]);
        QTRY_COMPARE_WITH_TIMEOUT(tray.AnimationFrame(), 13, 3000);
        QTRY_COMPARE_WITH_TIMEOUT(tray.AnimationFrame(), 0, 1000);
        QVERIFY(clock.elapsed() >= 1300);
        tray.StopAnimation();
        QVERIFY(!tray.Animating());
        QCOMPARE(tray.AnimationFrame(), -1);
        QCOMPARE(Shown(tray), TrayIconImages()[1]);
    }

    void leftClickStopsTheAnimationAndReportsTrayIconClick() {
        TrayIcon tray;
        QSignalSpy clicks(&tray, &TrayIcon::TrayIconClick);
        tray.StartAnimation();
        emit tray.SystemTrayIcon().activated(QSystemTrayIcon::Trigger);
        QCOMPARE(clicks.size(), 1);
        QVERIFY(!tray.Animating());
        QCOMPARE(Shown(tray), TrayIconImages()[0]);
        // The right button and the middle one do neither.
        tray.StartAnimation();
        emit tray.SystemTrayIcon().activated(QSystemTrayIcon::Context);
        emit tray.SystemTrayIcon().activated(QSystemTrayIcon::MiddleClick);
        QCOMPARE(clicks.size(), 1);
        QVERIFY(tray.Animating());
    }

    void rightClickOpensTheMenuAndDoubleClickRunsItsDefaultItem() {
        TrayIcon tray;
        QMenu menu;
        QAction* open = menu.addAction("Открыть");
        QAction* other = menu.addAction("Выход");
        menu.setDefaultAction(open);
        QSignalSpy opened(open, &QAction::triggered);
        QSignalSpy exited(other, &QAction::triggered);
        // Without a menu, nothing happens.
        emit tray.SystemTrayIcon().activated(QSystemTrayIcon::Context);
        emit tray.SystemTrayIcon().activated(QSystemTrayIcon::DoubleClick);
        tray.SetMenu(&menu);
        emit tray.SystemTrayIcon().activated(QSystemTrayIcon::Context);
        QTRY_VERIFY(menu.isVisible());
        menu.hide();
        QCOMPARE(opened.size(), 0);
        emit tray.SystemTrayIcon().activated(QSystemTrayIcon::DoubleClick);
        QCOMPARE(opened.size(), 1);
        QCOMPARE(exited.size(), 0);
    }

    void windowsComeToTheFrontWithTheKeyboard() {
        QWidget window;
        QWidget other;
        other.show();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        BringToFront(window);
        QVERIFY(window.isVisible());
        QVERIFY(QTest::qWaitForWindowActive(&window));
        window.hide();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        ShowAndActivate(window);
        QVERIFY(QTest::qWaitForWindowActive(&window));
    }

    void aTrayHostArrivingShowsTheIconWhateverItWas() {
        TrayIcon tray;
        tray.SetActive(true);
        QVERIFY(tray.Active());
        tray.SetActive(false);
        QVERIFY(!tray.Active());
        tray.TaskbarCreated();
        QVERIFY(tray.Active());
    }
};

}  // namespace lyr

QTEST_MAIN(lyr::TrayIconTest)
#include "tray_icon_test.moc"
