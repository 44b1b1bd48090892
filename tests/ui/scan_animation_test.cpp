// SPDX-License-Identifier: GPL-3.0-or-later
#include <QTest>
#include <QTimer>

#include "ui/main_window/scan_animation.h"
#include "ui/main_window/user_list_widget.h"

namespace lyr {
namespace {

// A panel holding the user list at (10, 20), disabled as during a scan, in a skin's colours.
struct ScanScene {
    QWidget panel;
    UserListWidget* list = new UserListWidget(&panel);
    ScanAnimation* animation = new ScanAnimation(list);

    explicit ScanScene(QSize listSize) {
        panel.resize(300, 200);
        list->setGeometry(QRect(QPoint(10, 20), listSize));
        QPalette colours = list->palette();
        colours.setColor(QPalette::Base, QColor(0x12, 0x34, 0x56));
        colours.setColor(QPalette::Text, QColor(0xFE, 0xDC, 0xBA));
        list->setPalette(colours);
        list->setEnabled(false);
        panel.show();
    }
    bool TimerRuns() const {
        for (const QTimer* timer : animation->findChildren<QTimer*>()) {
            if (timer->isActive())
                return true;
        }
        return false;
    }
};

}  // namespace

class ScanAnimationTest : public QObject {
    Q_OBJECT

private slots:
    void centresOverTheListInItsColours() {
        ScanScene scene({201, 101});
        scene.animation->Start();
        QCOMPARE(scene.animation->geometry(), QRect(10 + 60, 20 + 25, 80, 50));
        QCOMPARE(scene.panel.childAt(QPoint(71, 46)), scene.animation);
        const QImage picture = scene.animation->grab().toImage();
        QCOMPARE(picture.pixelColor(0, 0), QColor(0x12, 0x34, 0x56));
        QCOMPARE(picture.pixelColor(79, 0), QColor(0x12, 0x34, 0x56));
        // The cable under the middle computer, far from the glass at the start.
        QCOMPARE(picture.pixelColor(40, 38), QColor(0xFE, 0xDC, 0xBA));
    }

    void aSmallerListStillCentresTruncatingTowardZero() {
        ScanScene scene({51, 31});
        scene.animation->Start();
        // (51 - 80) / 2 = -14 and (31 - 50) / 2 = -9, not -15 and -10.
        QCOMPARE(scene.animation->pos(), QPoint(10 - 14, 20 - 9));
    }

    void playsOnlyBetweenStartAndStop() {
        ScanScene scene({201, 101});
        // Showing the panel did not show it; stopping it unstarted does nothing.
        QVERIFY(!scene.animation->isVisible());
        scene.animation->Stop();
        QVERIFY(!scene.TimerRuns());
        scene.animation->Start();
        const QImage first = scene.animation->grab().toImage();
        QTRY_VERIFY_WITH_TIMEOUT(scene.animation->grab().toImage() != first, 1000);
        // A second start neither doubles the timer nor outlives one stop.
        scene.animation->Start();
        QCOMPARE(scene.animation->pos(), QPoint(70, 45));
        scene.animation->Stop();
        QVERIFY(!scene.animation->isVisible());
        QVERIFY(!scene.TimerRuns());
        const QImage stopped = scene.animation->grab().toImage();
        QTest::qWait(3 * ScanAnimation::kFrameIntervalMs);
        QCOMPARE(scene.animation->grab().toImage(), stopped);
    }
};

}  // namespace lyr

QTEST_MAIN(lyr::ScanAnimationTest)
#include "scan_animation_test.moc"
