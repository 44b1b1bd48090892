// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>
#include <QMenu>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "ui/dialogs/msg_form.h"
#include "ui/panes/url_links.h"
#include "ui/tray/artwork.h"

namespace lyr {
namespace {

QPoint PointAt(const LinkTextPane& pane, int position) {
    QTextCursor cursor(pane.document());
    cursor.setPosition(position);
    const QRect rect = pane.cursorRect(cursor);
    return {rect.left() + 2, rect.center().y()};
}

}  // namespace

class MsgFormTest : public QObject {
    Q_OBJECT

private slots:
    void layoutAtTheDesignSize() {
        TMsgForm form;
        QCOMPARE(form.windowTitle(), QStringLiteral("Lyr Messenger"));
        QCOMPARE(form.size(), QSize(346, 137));
        QCOMPARE(form.PaintBox1()->geometry(), QRect(8, 24, 32, 32));
        QCOMPARE(form.MsgText()->geometry(), QRect(48, 8, 289, 97));
        QCOMPARE(form.StatusBar()->geometry(), QRect(0, 137 - 19, 346, 19));
        QCOMPARE(form.StatusPanel(0)->text(), QStringLiteral("Esc - закрыть окно"));
        QCOMPARE(form.StatusPanel(0)->width(), 120);
        QCOMPARE(form.StatusPanel(1)->width(), 150);
        QVERIFY(form.StatusPanel(0)->alignment() & Qt::AlignHCenter);
        QVERIFY(form.MsgText()->isReadOnly());
        QCOMPARE(form.MsgText()->frameShape(), QFrame::NoFrame);
        QCOMPARE(form.font().family(), QStringLiteral("MS Sans Serif"));
        QCOMPARE(form.font().pointSize(), 8);
        const Qt::WindowFlags flags = form.windowFlags();
        QVERIFY(flags & Qt::WindowStaysOnTopHint);
        QVERIFY(flags & Qt::WindowCloseButtonHint);
        QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
        QVERIFY(form.isModal());
        // Until a colour is set, the platform's button face.
        QCOMPARE(form.Color(), QApplication::palette().color(QPalette::Button));
    }

    void resizingEnlargesThePaneOnly() {
        TMsgForm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.resize(600, 400);
        QCOMPARE(form.PaintBox1()->geometry(), QRect(8, 24, 32, 32));
        QCOMPARE(form.MsgText()->geometry(), QRect(48, 8, 600 - 48 - 9, 400 - 8 - 32));
        QCOMPARE(form.StatusBar()->geometry(), QRect(0, 400 - 19, 600, 19));
        form.resize(40, 30);
        QCOMPARE(form.MsgText()->width(), 0);
        QCOMPARE(form.MsgText()->height(), 0);
        QCOMPARE(form.StatusBar()->geometry(), QRect(0, 30 - 19, 40, 19));
        form.hide();
    }

    void showsTheMessageAsTheReceivePathFillsIt() {
        TMsgForm form;
        form.SetMessage("IVAN", "08.12.2024 10:11:12", "Сообщение от IVAN для PETR\r\n<b>x</b>",
                        0x0C0C0C, 3);
        QCOMPARE(form.StatusPanel(1)->text(), QStringLiteral("От: IVAN (08.12.2024 10:11:12)"));
        QCOMPARE(form.MsgText()->toPlainText(),
                 QStringLiteral("Сообщение от IVAN для PETR\n<b>x</b>"));
        QCOMPARE(form.Color(), QColor(12, 12, 12));
        QCOMPARE(form.MsgText()->palette().color(QPalette::Base), QColor(12, 12, 12));
        // Text that reads on the dark background.
        QCOMPARE(form.MsgText()->palette().color(QPalette::Text), QColor(255, 255, 255));
        QCOMPARE(form.UserIcon(), 3);
        const QImage picture = form.grab().toImage();
        QCOMPARE(picture.pixelColor(2, 2), QColor(12, 12, 12));
        QCOMPARE(picture.copy(8, 24, 32, 32).convertToFormat(QImage::Format_RGB32), [] {
            QImage expected(32, 32, QImage::Format_RGB32);
            expected.fill(QColor(12, 12, 12));
            QPainter(&expected).drawImage(0, 0, UserIcons()[3]);
            return expected;
        }());
        // A second message replaces the first.
        form.SetMessage("B", "t", "second", 0xFFFFFF, 0);
        QCOMPARE(form.MsgText()->toPlainText(), QStringLiteral("second"));
        QCOMPARE(form.MsgText()->palette().color(QPalette::Text), QColor(0, 0, 0));
    }

    void senderAndTimeAreShownWhole() {
        TMsgForm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QLabel* panel = form.StatusPanel(1);
        const auto shownWhole = [&] {
            const QRect inWindow(panel->mapTo(&form, QPoint(0, 0)), panel->size());
            return panel->contentsRect().width() >=
                       panel->fontMetrics().horizontalAdvance(panel->text()) &&
                   form.rect().contains(inWindow);
        };
        // A short name and the usual time; then a long name and a long date, for which the
        // window widens, and does not get narrower than its text again.
        form.SetMessage("PEER", "12/09/26 05:39:12", "x", 0xC0C0C0, 0);
        QTRY_VERIFY_WITH_TIMEOUT(shownWhole(), 2000);
        QCOMPARE(form.size(), QSize(346, 137));
        form.SetMessage("WORKSTATION-015", "среда, 9 декабря 2026 г. 05:39:12", "x", 0xC0C0C0, 0);
        QTRY_VERIFY_WITH_TIMEOUT(shownWhole(), 2000);
        form.resize(200, 137);
        QTRY_VERIFY_WITH_TIMEOUT(shownWhole(), 2000);
        form.hide();
    }

    void aPictureNumberOutOfRangeShowsNone() {
        TMsgForm form;
        form.SetMessage("A", "t", "x", 0x00FF00, 10);
        const QImage picture = form.grab().toImage();
        for (int y = 24; y < 56; ++y) {
            for (int x = 8; x < 40; ++x) {
                QCOMPARE(picture.pixelColor(x, y), QColor(0, 255, 0));
            }
        }
        form.SetUserIcon(-1);
        QCOMPARE(form.grab().toImage().pixelColor(20, 40), QColor(0, 255, 0));
    }

    void escapeClosesItFromAnyControl() {
        TMsgForm form;
        form.SetMessage("A", "t", "text http://x.ru", 0xC0C0C0, 0);
        QWidget* const targets[] = {form.MsgText(), form.StatusBar(), form.PaintBox1(), &form};
        for (QWidget* target : targets) {
            form.open();
            QVERIFY(QTest::qWaitForWindowExposed(&form));
            QApplication::setActiveWindow(&form);
            target->setFocus();
            QTest::keyClick(target, Qt::Key_Escape);
            QVERIFY2(!form.isVisible(), target->metaObject()->className());
            QCOMPARE(form.result(), 1);
        }
        // Other keys are the controls' own.
        form.open();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.MsgText()->setFocus();
        QTest::keyClick(form.MsgText(), Qt::Key_A);
        QTest::keyClick(form.MsgText(), Qt::Key_Return);
        QVERIFY(form.isVisible());
        form.reject();
    }

    void showMessageWaitsUntilClosed() {
        TMsgForm form;
        QTimer::singleShot(50, &form, [&] {
            QVERIFY(form.isVisible());
            QVERIFY(form.isActiveWindow() || QGuiApplication::platformName() == "offscreen");
            QTest::keyClick(form.MsgText(), Qt::Key_Escape);
        });
        QCOMPARE(form.ShowMessage("A", "t", "x", 0xC0C0C0, 0), 1);
        QVERIFY(!form.isVisible());
    }

    void linkClicksGoToTheMainWindowsLinkMenu() {
        TMsgForm form;
        QMenu UrlPopupMenu;
        UrlPopupMenu.addAction("Открыть ссылку");
        QList<QUrl> opened;
        UrlLinks links(&UrlPopupMenu, [&](const QUrl& url) { opened.append(url); });
        connect(&form, &TMsgForm::MsgTextURLClick, &links, &UrlLinks::SendTextURLClick);
        const QString text = "Сообщение от A для B\r\nсм. www.x.ru";
        form.SetMessage("A", "t", text, 0xC0C0C0, 0);
        form.open();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        const int link = static_cast<int>(form.MsgText()->toPlainText().indexOf("www")) + 2;
        QTest::mouseClick(form.MsgText()->viewport(), Qt::LeftButton, {},
                          PointAt(*form.MsgText(), link));
        QCOMPARE(links.CurrentUrl(), QStringLiteral("www.x.ru"));
        // The link menu opens over the modal window.
        QTRY_VERIFY(UrlPopupMenu.isVisible());
        UrlPopupMenu.hide();
        QVERIFY(opened.isEmpty());
        QTest::mouseClick(form.MsgText()->viewport(), Qt::RightButton, {},
                          PointAt(*form.MsgText(), link));
        QCOMPARE(opened, QList<QUrl>{QUrl("http://www.x.ru")});
        form.reject();
    }
};

}  // namespace lyr

QTEST_MAIN(lyr::MsgFormTest)
#include "msg_form_test.moc"
