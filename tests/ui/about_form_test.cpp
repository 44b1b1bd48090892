// SPDX-License-Identifier: GPL-3.0-or-later
#include <QClipboard>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QUrlQuery>

#include "ui/dialogs/about_form.h"
#include "ui/dialogs/scrolling_lines.h"

namespace lyr {
namespace {

constexpr std::uint64_t kMegabyte = 1048576;

SystemInformation TestSystem() {
    return {"Linux", "6.1.0-18-amd64", "PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n",
            255 * kMegabyte + 6 * kMegabyte / 10};
}

QLabel* Label(const QWidget& form, const char* name) {
    auto* label = form.findChild<QLabel*>(QString::fromLatin1(name));
    if (!label) {
        qFatal("no label %s", name);
    }
    return label;
}

}  // namespace

// Takes the links the box opens instead of the desktop.
class OpenedUrls : public QObject {
    Q_OBJECT

public:
    OpenedUrls() {
        for (const char* scheme : {"http", "https", "mailto"}) {
            QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "Open");
        }
    }
    ~OpenedUrls() override {
        for (const char* scheme : {"http", "https", "mailto"}) {
            QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
        }
    }
    QList<QUrl> urls;

public slots:
    void Open(const QUrl& url) { urls.append(url); }
};

class AboutFormTest : public QObject {
    Q_OBJECT

private slots:
    void textsAreMadeAtCreation() {
        TAboutForm about(TestSystem());
        QCOMPARE(about.windowTitle(), QStringLiteral("О программе..."));
        QCOMPARE(about.size(), QSize(386, 200));
        QCOMPARE(Label(about, "TitleLabel")->text(), QStringLiteral("Zendry Messenger"));
        QCOMPARE(Label(about, "TitleLabel")->font().pixelSize(), 19);
        QVERIFY(Label(about, "TitleLabel")->font().bold());
        QCOMPARE(Label(about, "Label3")->text(), QStringLiteral("Web:"));
        QCOMPARE(Label(about, "Label4")->text(), QStringLiteral("E-Mail:"));
        QCOMPARE(Label(about, "Label5")->text(), QStringLiteral("Версия:  "));
        QCOMPARE(Label(about, "VersionLabel")->text(), QStringLiteral("1.0.1 (Сборка 19)"));
        QCOMPARE(Label(about, "PhisMem")->text(), QStringLiteral("Физической памяти: 256 Mb"));
        QCOMPARE(Label(about, "WinVer")->toolTip(),
                 QStringLiteral("Debian GNU/Linux 12 (bookworm), Linux 6.1.0-18-amd64"));
        QVERIFY(Label(about, "WinVer")->text().startsWith(QStringLiteral("Debian GNU/Linux 12")));
        QCOMPARE(Label(about, "Label7")->toolTip(),
                 QStringLiteral("Скачать новую версию программы."));
        QCOMPARE(Label(about, "Label6")->toolTip(), QStringLiteral("Напишите о своих пожеланиях."));
        for (const char* link : {"Label6", "Label7"}) {
            QVERIFY(Label(about, link)->font().underline());
            QCOMPARE(Label(about, link)->palette().color(QPalette::WindowText), QColor(Qt::blue));
            QCOMPARE(Label(about, link)->cursor().shape(), Qt::PointingHandCursor);
        }
        QCOMPARE(Label(about, "Label5")->pos(), QPoint(58, 108));
        QCOMPARE(Label(about, "WinVer")->pos(), QPoint(60, 134));
        QCOMPARE(Label(about, "PhisMem")->pos(), QPoint(60, 154));
        // The information stays left of the buttons, where the thanks cover it.
        auto* thanks = about.findChild<ScrollingLines*>(QStringLiteral("SecretPanel1"));
        QCOMPARE(thanks->geometry(), QRect(44, 66, 247, 127));
        QVERIFY(thanks->isHidden());
        for (const char* name : {"Label6", "Label7", "VersionLabel", "WinVer", "PhisMem"}) {
            QVERIFY2(Label(about, name)->geometry().right() < 293, name);
        }
    }

    void okClosesWithResultOne() {
        TAboutForm about(TestSystem());
        about.show();
        auto* ok = about.findChild<QPushButton*>(QStringLiteral("SpeedButton1"));
        QCOMPARE(ok->text(), QStringLiteral("OK"));
        QCOMPARE(about.focusWidget(), ok);
        ok->click();
        QCOMPARE(about.result(), 1);
        QVERIFY(!about.isVisible());
    }

    void linksOpenTheWebPageAndAMailWithTheVersion() {
        OpenedUrls opened;
        TAboutForm about(TestSystem());
        about.show();
        QTest::mouseClick(Label(about, "Label7"), Qt::LeftButton);
        QTest::mouseClick(Label(about, "Label6"), Qt::LeftButton);
        // Only the left button opens a link.
        QTest::mouseClick(Label(about, "Label6"), Qt::RightButton);
        QCOMPARE(opened.urls.size(), 2);
        QCOMPARE(opened.urls[0].toString(), Label(about, "Label7")->text());
        const QUrl mail = opened.urls[1];
        QCOMPARE(mail.scheme(), QStringLiteral("mailto"));
        QCOMPARE(mail.path(), Label(about, "Label6")->text());
        QCOMPARE(QUrlQuery(mail).queryItemValue(QStringLiteral("subject"), QUrl::FullyDecoded),
                 QStringLiteral("Zendry Messenger Version: 1.0.1 (Сборка 19)"));
    }

    void copyPutsTheLastPressedLabelOnTheClipboard() {
        OpenedUrls opened;
        TAboutForm about(TestSystem());
        about.show();
        auto* copy = about.findChild<QAction*>(QStringLiteral("N1"));
        QCOMPARE(copy->text(), QStringLiteral("Копировать"));
        QTest::mousePress(Label(about, "Label6"), Qt::RightButton);
        QCOMPARE(about.LastLabelText(), Label(about, "Label6")->text());
        copy->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), Label(about, "Label6")->text());
        QTest::mousePress(Label(about, "Label5"), Qt::LeftButton);
        copy->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("Версия:  "));
        // The other labels have no such menu.
        QTest::mousePress(Label(about, "VersionLabel"), Qt::RightButton);
        QCOMPARE(about.LastLabelText(), QStringLiteral("Версия:  "));
        QCOMPARE(Label(about, "VersionLabel")->contextMenuPolicy(), Qt::DefaultContextMenu);
        QCOMPARE(Label(about, "Label7")->contextMenuPolicy(), Qt::CustomContextMenu);
    }

    void thanksScrollOnlyWhileShown() {
        TAboutForm about(TestSystem());
        about.show();
        auto* button = about.findChild<QPushButton*>(QStringLiteral("Button1"));
        auto* thanks = about.findChild<ScrollingLines*>(QStringLiteral("SecretPanel1"));
        QCOMPARE(button->text(), QStringLiteral("Благодарности"));
        QVERIFY(!thanks->TimerRunning());
        button->click();
        QCOMPARE(button->text(), QStringLiteral("Информация"));
        QVERIFY(thanks->isVisible());
        QVERIFY(thanks->TimerRunning());
        const int start = thanks->Offset();
        QCOMPARE(start, thanks->height());
        QTRY_VERIFY_WITH_TIMEOUT(thanks->Offset() <= start - 3, 2000);
        // A hidden box does not scroll.
        about.hide();
        QVERIFY(!thanks->TimerRunning());
        about.show();
        QVERIFY(thanks->TimerRunning());
        button->click();
        QCOMPARE(button->text(), QStringLiteral("Благодарности"));
        QVERIFY(thanks->isHidden());
        QVERIFY(!thanks->TimerRunning());
    }

    void linesStartAgainAfterTheLast() {
        ScrollingLines lines({QStringLiteral("one")});
        lines.resize(100, 4);
        lines.Start();
        const int lineHeight = lines.fontMetrics().lineSpacing();
        int lowest = lines.Offset();
        QTRY_VERIFY_WITH_TIMEOUT(
            (lowest = std::min(lowest, lines.Offset())) == -lineHeight && lines.Offset() > 0,
            (lineHeight + 10) * ScrollingLines::kStepMilliseconds * 3);
        QCOMPARE(lowest, -lineHeight);
    }

    void keptOnTopWhenTheMainWindowShows() {
        TAboutForm about(TestSystem());
        QVERIFY(!(about.windowFlags() & Qt::WindowStaysOnTopHint));
        about.KeepOnTop();
        QVERIFY(about.isVisible());
        QVERIFY(about.windowFlags() & Qt::WindowStaysOnTopHint);
        about.KeepOnTop();
        QVERIFY(about.isVisible());
    }
};

}  // namespace lyr

QTEST_MAIN(lyr::AboutFormTest)
#include "about_form_test.moc"
