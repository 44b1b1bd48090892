// SPDX-License-Identifier: GPL-3.0-or-later
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

#include "ui/skin/frame_geometry.h"
#include "ui/skin/frame_painter.h"
#include "ui/skin/skinned_frame.h"
#include "ui/skin_fixtures.h"

namespace lyr {
namespace {

std::vector<int> PositionsOf(const std::vector<TilePlacement>& layout, FrameTile tile, bool x) {
    std::vector<int> positions;
    for (const TilePlacement& placement : layout) {
        if (placement.tile == tile) {
            positions.push_back(x ? placement.position.x() : placement.position.y());
        }
    }
    return positions;
}

qsizetype IndexOf(const std::vector<TilePlacement>& layout, FrameTile tile) {
    for (size_t i = 0; i < layout.size(); ++i) {
        if (layout[i].tile == tile) {
            return static_cast<qsizetype>(i);
        }
    }
    return -1;
}

qsizetype LastIndexOf(const std::vector<TilePlacement>& layout, FrameTile tile) {
    for (size_t i = layout.size(); i > 0; --i) {
        if (layout[i - 1].tile == tile) {
            return static_cast<qsizetype>(i - 1);
        }
    }
    return -1;
}

QImage Render(const Skin& skin, QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::magenta);
    QPainter painter(&image);
    PaintFrame(painter, skin, size);
    return image;
}

// Sends a mouse event with the given position inside `widget` and the global position the
// window's place gives it.
void SendMouse(QWidget* widget, QEvent::Type type, QPoint local, Qt::MouseButton button,
               Qt::MouseButtons buttons) {
    const QPointF global = widget->mapToGlobal(QPointF(local));
    QMouseEvent event(type, QPointF(local), global, button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
}

// Presses at `from`, moves the mouse by `offset` of the screen and releases it there.
void DragBy(QWidget* widget, QPoint from, QPoint offset) {
    const QPoint globalStart = widget->mapToGlobal(from);
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(from), QPointF(globalStart), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &press);
    const QPoint globalEnd = globalStart + offset;
    const QPointF localEnd = widget->mapFromGlobal(QPointF(globalEnd));
    QMouseEvent move(QEvent::MouseMove, localEnd, QPointF(globalEnd), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &move);
    const QPointF localRelease = widget->mapFromGlobal(QPointF(globalEnd));
    QMouseEvent release(QEvent::MouseButtonRelease, localRelease, QPointF(globalEnd),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &release);
}

}  // namespace

class FrameTest : public QObject {
    Q_OBJECT

private:
    QRect workArea_;

private slots:
    void initTestCase() { workArea_ = QGuiApplication::primaryScreen()->availableGeometry(); }

    void tilesAtWidth350() {
        const auto layout = FrameTileLayout({350, 223});
        QCOMPARE(PositionsOf(layout, FrameTile::TitleMiddle, true),
                 (std::vector<int>{25, 50, 75, 100, 125, 150, 175, 200, 225, 250, 275, 300, 325}));
        QCOMPARE(PositionsOf(layout, FrameTile::BottomMiddle, true),
                 (std::vector<int>{125, 150, 175, 200, 225}));
        QCOMPARE(PositionsOf(layout, FrameTile::TitleRight, true), std::vector<int>{325});
        QCOMPARE(PositionsOf(layout, FrameTile::BottomRight, true), std::vector<int>{225});
        QCOMPARE(PositionsOf(layout, FrameTile::BottomLeft, false), std::vector<int>{185});
        QCOMPARE(PositionsOf(layout, FrameTile::RightEdge, true), std::vector<int>(16, 342));
        const auto edgeRows = PositionsOf(layout, FrameTile::LeftEdge, false);
        QCOMPARE(int(edgeRows.size()), 16);
        QCOMPARE(edgeRows.front(), 20);
        QCOMPARE(edgeRows.back(), 185);
        // The corner tiles come after the middle tiles they cover.
        QVERIFY(IndexOf(layout, FrameTile::TitleRight) >
                LastIndexOf(layout, FrameTile::TitleMiddle));
        QVERIFY(IndexOf(layout, FrameTile::BottomLeft) >
                LastIndexOf(layout, FrameTile::BottomMiddle));
        QVERIFY(IndexOf(layout, FrameTile::BottomRight) >
                LastIndexOf(layout, FrameTile::BottomMiddle));
        QVERIFY(IndexOf(layout, FrameTile::BottomLeft) > LastIndexOf(layout, FrameTile::LeftEdge));
    }

    void paintedFrameShowsEachTileWhereItBelongs() {
        const QSize size(350, 223);
        const QImage image = Render(CutSkin(test::MakeTestSkinBitmap(QColor(1, 2, 3))), size);
        QCOMPARE(image.pixelColor(3, 18), test::TestTileColor(FrameTile::TitleLeft));
        QCOMPARE(image.pixelColor(60, 18), test::TestTileColor(FrameTile::TitleMiddle));
        // The right tile lies over the last middle tile.
        QCOMPARE(image.pixelColor(326, 18), test::TestTileColor(FrameTile::TitleRight));
        QCOMPARE(image.pixelColor(5, 100), test::TestTileColor(FrameTile::LeftEdge));
        QCOMPARE(image.pixelColor(345, 100), test::TestTileColor(FrameTile::RightEdge));
        QCOMPARE(image.pixelColor(2, 220), test::TestTileColor(FrameTile::BottomLeft));
        QCOMPARE(image.pixelColor(150, 220), test::TestTileColor(FrameTile::BottomMiddle));
        QCOMPARE(image.pixelColor(226, 220), test::TestTileColor(FrameTile::BottomRight));
        // The inside is left in the skin colour for the panes.
        QCOMPARE(image.pixelColor(100, 100), QColor(1, 2, 3));
    }

    void titleIsGreenOverABlackShadowInTheMiddle() {
        const QSize size(400, 223);
        const QImage image = Render(CutSkin(test::MakeTestSkinBitmap(QColor(1, 2, 3))), size);
        const QColor title(80, 239, 80);
        int left = size.width();
        int right = -1;
        int shadow = 0;
        for (int y = 0; y < kTitleBarHeight; ++y) {
            for (int x = 0; x < size.width(); ++x) {
                const QColor pixel = image.pixelColor(x, y);
                if (pixel == title) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                } else if (std::max({pixel.red(), pixel.green(), pixel.blue()}) < 40) {
                    ++shadow;
                }
            }
        }
        QVERIFY(right > left + 40);
        QVERIFY(shadow > 20);
        // Measured in the regular face but drawn bold, so it may lean a little to the right.
        const int middle = (left + right) / 2;
        QVERIFY2(middle >= size.width() / 2 - 3 && middle <= size.width() / 2 + 8,
                 qPrintable(QString::number(middle)));
    }

    void hitTesting() {
        const QSize client(350, 223);
        const int w = client.width();
        const int h = client.height();
        QCOMPARE(HitTestFrame({w - 20, 12}, client), FrameHit::DragBand);
        QCOMPARE(HitTestFrame({20, 0}, client), FrameHit::DragBand);
        QCOMPARE(HitTestFrame({w - 19, 12}, client), FrameHit::Client);
        QCOMPARE(HitTestFrame({20, 13}, client), FrameHit::Client);
        QCOMPARE(HitTestFrame({19, 5}, client), FrameHit::Client);
        QCOMPARE(HitTestFrame({w - 10, h - 10}, client), FrameHit::ResizeGrip);
        QCOMPARE(HitTestFrame({w - 1, h - 1}, client), FrameHit::ResizeGrip);
        QCOMPARE(HitTestFrame({w - 11, h - 10}, client), FrameHit::Client);
        QCOMPARE(HitTestFrame({w - 10, h - 11}, client), FrameHit::Client);
        QCOMPARE(HitTestFrame({100, 100}, client), FrameHit::Client);
    }

    void cornerMenuPoints() {
        QVERIFY(IsCornerMenuPoint({15, 15}));
        QVERIFY(IsCornerMenuPoint({0, 0}));
        QVERIFY(!IsCornerMenuPoint({16, 15}));
        QVERIFY(!IsCornerMenuPoint({15, 16}));
        QVERIFY(!IsCornerMenuPoint({-1, 3}));
    }

    void snappingToTheWorkArea() {
        const QRect area(0, 0, 1024, 740);
        // Five pixels past the left edge: exactly at it.
        QCOMPARE(SnapToWorkArea(QRect(-5, 300, 350, 223), area), QRect(0, 300, 350, 223));
        // Within 20 pixels of an edge: touching it.
        QCOMPARE(SnapToWorkArea(QRect(20, 20, 350, 223), area), QRect(0, 0, 350, 223));
        QCOMPARE(SnapToWorkArea(QRect(1024 - 350 - 20, 740 - 223 - 20, 350, 223), area),
                 QRect(674, 517, 350, 223));
        // Further away: left alone.
        QCOMPARE(SnapToWorkArea(QRect(21, 21, 350, 223), area), QRect(21, 21, 350, 223));
        QCOMPARE(SnapToWorkArea(QRect(653, 496, 350, 223), area), QRect(653, 496, 350, 223));
        // Past the right edge: pulled back in.
        QCOMPARE(SnapToWorkArea(QRect(900, 100, 350, 223), area), QRect(674, 100, 350, 223));
        // Wider than the work area: lined up with its right edge.
        QCOMPARE(SnapToWorkArea(QRect(10, 10, 1100, 223), area), QRect(-76, 0, 1100, 223));
        // A work area that does not start at the origin (a panel on the left and top).
        const QRect panelled(48, 30, 976, 710);
        QCOMPARE(SnapToWorkArea(QRect(60, 45, 350, 223), panelled), QRect(48, 30, 350, 223));
    }

    void resizeNearTheRightEdgeMovesTheWindowToIt() {
        const QRect area(0, 0, 1024, 740);
        // Grown with the grip until its right edge is 10 pixels from the work area's.
        QCOMPARE(SnapToWorkArea(QRect(500, 200, 514, 300), area), QRect(510, 200, 514, 300));
    }

    void frameAreas() {
        const QSize client(350, 223);
        QCOMPARE(ContentArea(client), QRect(11, 20, 331, 165));
        QCOMPARE(InfoTextArea(client), QRect(91, 195, 233, 13));
        QCOMPARE(CaptionButtonArea(CaptionButton::Close, client), QRect(339, 3, 9, 9));
        QCOMPARE(CaptionButtonArea(CaptionButton::Previous, client), QRect(7, 193, 15, 18));
        QCOMPARE(CaptionButtonArea(CaptionButton::Send, client), QRect(70, 193, 15, 18));
    }

    void frameIsFramelessWithButtonsAndHints() {
        SkinnedFrame frame;
        QVERIFY(frame.windowFlags() & Qt::FramelessWindowHint);
        // The design size within the minimum; its owner snaps it to whole tiles once.
        QCOMPARE(frame.size(), QSize(353, 223));
        const std::pair<CaptionButton, const char*> hints[] = {
            {CaptionButton::Close, "Закрыть Lyr Messenger"},
            {CaptionButton::Previous, "Предыдущее сообщение"},
            {CaptionButton::Next, "Следующее сообщение"},
            {CaptionButton::Clear, "Очистить сообщение"},
            {CaptionButton::Reply, "Ответить на сообщение"},
            {CaptionButton::Send, "Послать сообщение"},
        };
        for (const auto& [button, hint] : hints) {
            QCOMPARE(frame.Button(button)->toolTip(), QString::fromUtf8(hint));
            QCOMPARE(frame.Button(button)->geometry(), CaptionButtonArea(button, frame.size()));
            QCOMPARE(frame.Button(button)->NormalImage(),
                     frame.CurrentSkin().Faces(button).NormalImage);
        }
        // The close button keeps to the top-right corner, the others to the bottom-left.
        frame.show();
        frame.resize(500, 300);
        QCOMPARE(frame.Button(CaptionButton::Close)->pos(), QPoint(489, 3));
        QCOMPARE(frame.Button(CaptionButton::Reply)->pos(), QPoint(55, 270));
    }

    void newSkinReachesTheButtons() {
        SkinnedFrame frame;
        frame.SetSkin(CutSkin(test::MakeTestSkinBitmap(QColor(1, 2, 3))));
        QCOMPARE(frame.Button(CaptionButton::Clear)->PressImage().pixelColor(5, 5),
                 test::TestFaceColor(CaptionButton::Clear, true));
        QCOMPARE(frame.grab().toImage().pixelColor(3, 18),
                 test::TestTileColor(FrameTile::TitleLeft));
    }

    void contentAndStatusLineFollowTheSize() {
        SkinnedFrame frame;
        auto* content = new QWidget;
        auto* status = new QLabel("status");
        frame.SetContentWidget(content);
        frame.SetInfoTextWidget(status);
        QCOMPARE(content->parentWidget(), &frame);
        QCOMPARE(content->geometry(), QRect(11, 20, 353 - 19, 223 - 58));
        frame.show();
        frame.resize(420, 300);
        QCOMPARE(content->geometry(), QRect(11, 20, 401, 242));
        QCOMPARE(status->geometry(), QRect(91, 272, 303, 13));
    }

    void neverSmallerThanTheMinimum() {
        SkinnedFrame frame;
        frame.resize(100, 100);
        QCOMPARE(frame.size(), QSize(350, 223));
        frame.SetFrameGeometry(QRect(100, 100, 200, 500));
        QCOMPARE(frame.size(), QSize(350, 500));
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        frame.SetFrameGeometry(QRect(200, 200, 400, 300));
        DragBy(&frame, {395, 295}, {-200, -200});
        QCOMPARE(frame.size(), QSize(350, 223));
    }

    void draggingByTheBandSnapsToTheWorkArea() {
        SkinnedFrame frame;
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        frame.SetFrameGeometry(QRect(workArea_.x() + 200, workArea_.y() + 150, 350, 223));
        QCOMPARE(frame.pos(), workArea_.topLeft() + QPoint(200, 150));
        // Five pixels past the left edge.
        DragBy(&frame, {100, 5}, {-205, 0});
        QCOMPARE(frame.pos(), QPoint(workArea_.x(), workArea_.y() + 150));
        // To within 20 pixels of the right edge.
        const int toRight = workArea_.right() + 1 - 350 - 15 - frame.x();
        DragBy(&frame, {100, 12}, {toRight, 0});
        QCOMPARE(frame.geometry().right(), workArea_.right());
        // Plainly inside: where the mouse takes it.
        DragBy(&frame, {330, 0}, {-200, 30});
        QCOMPARE(frame.pos(), QPoint(workArea_.right() + 1 - 350 - 200, workArea_.y() + 180));
    }

    void pressesOutsideTheBandDoNotMoveTheWindow() {
        SkinnedFrame frame;
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        frame.SetFrameGeometry(QRect(workArea_.x() + 200, workArea_.y() + 150, 350, 223));
        const QRect before = frame.geometry();
        DragBy(&frame, {100, 13}, {-50, -50});
        DragBy(&frame, {19, 5}, {-50, -50});
        DragBy(&frame, {200, 100}, {-50, -50});
        QCOMPARE(frame.geometry(), before);
    }

    void resizingByTheGripSnapsToo() {
        SkinnedFrame frame;
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        const QPoint origin = workArea_.topLeft() + QPoint(100, 100);
        frame.SetFrameGeometry(QRect(origin, QSize(350, 223)));
        DragBy(&frame, {345, 218}, {50, 30});
        QCOMPARE(frame.geometry(), QRect(origin, QSize(400, 253)));
        // Grown until its right edge is 10 pixels short of the work area's: it moves there.
        const int grow = workArea_.right() + 1 - 10 - frame.geometry().right() - 1;
        DragBy(&frame, {395, 248}, {grow, 0});
        QCOMPARE(frame.width(), 400 + grow);
        QCOMPARE(frame.geometry().right(), workArea_.right());
    }

    void cornerMenuOpensOnReleaseInTheCorner() {
        SkinnedFrame frame;
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        frame.SetFrameGeometry(QRect(workArea_.topLeft() + QPoint(120, 90), QSize(350, 223)));
        QSignalSpy spy(&frame, &SkinnedFrame::CornerMenuRequested);
        SendMouse(&frame, QEvent::MouseButtonPress, {15, 15}, Qt::LeftButton, Qt::LeftButton);
        SendMouse(&frame, QEvent::MouseButtonRelease, {15, 15}, Qt::LeftButton, Qt::NoButton);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toPoint(), frame.mapToGlobal(QPoint(0, 0)));
        SendMouse(&frame, QEvent::MouseButtonRelease, {16, 15}, Qt::LeftButton, Qt::NoButton);
        QCOMPARE(spy.count(), 1);
        // Any button.
        SendMouse(&frame, QEvent::MouseButtonRelease, {0, 3}, Qt::RightButton, Qt::NoButton);
        QCOMPARE(spy.count(), 2);
        // The end of a drag is no click, wherever the mouse is.
        SendMouse(&frame, QEvent::MouseButtonPress, {30, 5}, Qt::LeftButton, Qt::LeftButton);
        SendMouse(&frame, QEvent::MouseButtonRelease, {5, 5}, Qt::LeftButton, Qt::NoButton);
        QCOMPARE(spy.count(), 2);
    }
};

}  // namespace lyr

QTEST_MAIN(lyr::FrameTest)
#include "frame_test.moc"
