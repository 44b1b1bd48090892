// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>

#include "ui/panes/link_text_pane.h"
#include "ui/panes/links.h"
#include "ui/panes/url_links.h"

namespace lyr {
namespace {

QStringList LinksOf(const QString& text) {
    QStringList links;
    for (const LinkSpan& link : FindLinks(text)) {
        links.append(text.mid(link.start, link.length));
    }
    return links;
}

// The point in the pane's viewport over the character at `position`.
QPoint PointAt(const LinkTextPane& pane, int position) {
    QTextCursor cursor(pane.document());
    cursor.setPosition(position);
    const QRect rect = pane.cursorRect(cursor);
    return {rect.left() + 2, rect.center().y()};
}

}  // namespace

class LinksTest : public QObject {
    Q_OBJECT

private slots:
    void linksAreFoundWhereThePanesFindThem_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("links");
        QTest::newRow("http") << "see http://example.com/a?b=c now"
                              << QStringList{"http://example.com/a?b=c"};
        QTest::newRow("sentence end")
            << "Вот: https://x.ru/путь." << QStringList{"https://x.ru/путь"};
        QTest::newRow("brackets") << "(www.x.ru) and [ftp://f.ru/x]"
                                  << QStringList{"www.x.ru", "ftp://f.ru/x"};
        QTest::newRow("own brackets")
            << "http://w.org/Foo_(bar) x" << QStringList{"http://w.org/Foo_(bar)"};
        QTest::newRow("mailto") << "mailto:ivan@x.ru, пиши" << QStringList{"mailto:ivan@x.ru"};
        QTest::newRow("any case") << "HTTP://X.RU WwW.Y.RU"
                                  << QStringList{"HTTP://X.RU", "WwW.Y.RU"};
        QTest::newRow("angle brackets") << "<http://a.ru/>\"x\"" << QStringList{"http://a.ru/"};
        QTest::newRow("inside a word") << "xhttp://a.ru mywww.b.ru" << QStringList{};
        QTest::newRow("prefix only") << "http:// www. mailto:" << QStringList{};
        QTest::newRow("other schemes")
            << "file:///etc/passwd javascript:alert(1) gopher://g" << QStringList{};
        QTest::newRow("two in a row")
            << "http://a.ru,http://b.ru" << QStringList{"http://a.ru,http://b.ru"};
        QTest::newRow("tab ends") << "http://a.ru\tb" << QStringList{"http://a.ru"};
        QTest::newRow("empty") << "" << QStringList{};
    }

    void linksAreFoundWhereThePanesFindThem() {
        QFETCH(QString, text);
        QFETCH(QStringList, links);
        QCOMPARE(LinksOf(text), links);
    }

    void onlyDetectedSchemesOpen() {
        QCOMPARE(LinkTarget("www.x.ru/a"), QUrl("http://www.x.ru/a"));
        QCOMPARE(LinkTarget("HTTPS://X.RU/")->scheme(), QStringLiteral("https"));
        QCOMPARE(LinkTarget("ftp://f.ru/file"), QUrl("ftp://f.ru/file"));
        QCOMPARE(LinkTarget("mailto:ivan@x.ru"), QUrl("mailto:ivan@x.ru"));
        QCOMPARE(LinkTarget("http://пример.рф/")->host(), QStringLiteral("пример.рф"));
        for (const char* text :
             {"file:///etc/passwd", "javascript:alert(1)", "ssh://h", "x.ru", "http://",
              "http:///path", "http://a.ru b", "", "www.", "see http://a.ru"}) {
            QVERIFY2(!LinkTarget(QString::fromUtf8(text)), text);
        }
    }

    void currentUrlKeepsTwoHundredFiftyFourCharacters() {
        const QString link = "http://x.ru/" + QString(288, 'a');
        QCOMPARE(link.size(), 300);
        QCOMPARE(CurrentUrlText(link), link.left(254));
        QCOMPARE(CurrentUrlText(link.left(254)), link.left(254));
        // Never half of a character outside the basic plane.
        const QString wide = QString(253, 'a') + QString::fromUcs4(U"\U0001F600") + "b";
        QCOMPARE(CurrentUrlText(wide), QString(253, 'a'));
    }

    void leftClickOpensTheLinkMenuRightClickTheLink() {
        QMenu menu;
        menu.addAction("Открыть ссылку");
        QList<QUrl> opened;
        UrlLinks links(&menu, [&](const QUrl& url) { opened.append(url); });
        links.SendTextURLClick("www.x.ru", Qt::LeftButton);
        QCOMPARE(links.CurrentUrl(), QStringLiteral("www.x.ru"));
        QTRY_VERIFY(menu.isVisible());
        QVERIFY(opened.isEmpty());
        menu.hide();

        links.SendTextURLClick("http://y.ru", Qt::RightButton);
        QCOMPARE(opened, QList<QUrl>{QUrl("http://y.ru")});
        QVERIFY(links.CurrentUrl().isEmpty());
        QVERIFY(!menu.isVisible());
    }

    void linkMenuItemsOpenAndCopyCurrentUrl() {
        QMenu menu;
        QList<QUrl> opened;
        UrlLinks links(&menu, [&](const QUrl& url) { opened.append(url); });
        // Nothing clicked yet: nothing to open.
        links.N20Click();
        QVERIFY(opened.isEmpty());

        const QString longLink = "http://x.ru/" + QString(288, 'b');
        links.SendTextURLClick(longLink, Qt::LeftButton);
        QCOMPARE(links.CurrentUrl().size(), 254);
        links.N21Click();
        QCOMPARE(QApplication::clipboard()->text(), longLink.left(254));
        QCOMPARE(links.CurrentUrl().size(), 254);
        links.N20Click();
        QCOMPARE(opened, QList<QUrl>{QUrl(longLink.left(254))});
        QVERIFY(links.CurrentUrl().isEmpty());
        links.N20Click();
        QCOMPARE(opened.size(), 1);
    }

    void textThatIsNoLinkIsNeverOpened() {
        QList<QUrl> opened;
        UrlLinks links(nullptr, [&](const QUrl& url) { opened.append(url); });
        links.SendTextURLClick("file:///etc/passwd", Qt::RightButton);
        links.SendTextURLClick("javascript:alert(1)", Qt::LeftButton);
        links.N20Click();
        QVERIFY(opened.isEmpty());
    }

    void paneShowsMarkupAsPlainText() {
        LinkTextPane pane;
        pane.SetText("<b>x</b> &amp; <a href=\"http://evil\">y</a>");
        QCOMPARE(pane.toPlainText(),
                 QStringLiteral("<b>x</b> &amp; <a href=\"http://evil\">y</a>"));
        for (QTextBlock block = pane.document()->begin(); block.isValid(); block = block.next()) {
            for (auto fragment = block.begin(); !fragment.atEnd(); ++fragment) {
                const QTextCharFormat format = fragment.fragment().charFormat();
                QVERIFY(format.fontWeight() != QFont::Bold);
                QVERIFY(!format.isAnchor());
            }
        }
        // Pasted rich text arrives as its plain text.
        LinkTextPane entry;
        auto* mime = new QMimeData;
        mime->setHtml("<i>rich</i>");
        mime->setText("rich");
        QApplication::clipboard()->setMimeData(mime);
        entry.paste();
        QCOMPARE(entry.toPlainText(), QStringLiteral("rich"));
        QVERIFY(!entry.document()->firstBlock().charFormat().fontItalic());
    }

    void paneKeepsLinesAndTheirBreaks() {
        LinkTextPane pane;
        pane.SetText("Сообщение от A для B\r\nline\rthird\nfourth\u00A0nbsp");
        QCOMPARE(pane.document()->blockCount(), 4);
        QCOMPARE(pane.Text(),
                 QStringLiteral("Сообщение от A для B\r\nline\r\nthird\r\nfourth\u00A0nbsp"));
        pane.EmphasizeFirstLine();
        const QTextBlock first = pane.document()->firstBlock();
        QTextCursor cursor(first);
        cursor.movePosition(QTextCursor::Right);
        QVERIFY(cursor.charFormat().fontItalic());
        QCOMPARE(cursor.charFormat().fontWeight(), int(QFont::Bold));
        QTextCursor second(first.next());
        second.movePosition(QTextCursor::Right);
        QVERIFY(!second.charFormat().fontItalic());
        pane.SetWordWrap(false);
        QVERIFY(!pane.WordWrap());
        QCOMPARE(pane.lineWrapMode(), QPlainTextEdit::NoWrap);
        pane.SetWordWrap(true);
        QVERIFY(pane.WordWrap());
    }

    void paneUnderlinesItsLinks() {
        LinkTextPane pane;
        pane.SetText("a http://x.ru b");
        const QList<QTextLayout::FormatRange> formats =
            pane.document()->firstBlock().layout()->formats();
        QCOMPARE(formats.size(), 1);
        QCOMPARE(formats[0].start, 2);
        QCOMPARE(formats[0].length, 11);
        QVERIFY(formats[0].format.fontUnderline());
        const QColor onLight = formats[0].format.foreground().color();
        // On a skin's dark pane the links turn light.
        QPalette dark = pane.palette();
        dark.setColor(QPalette::Base, QColor(16, 16, 24));
        pane.setPalette(dark);
        const QColor onDark =
            pane.document()->firstBlock().layout()->formats()[0].format.foreground().color();
        QVERIFY(onDark.lightness() > 150);
        QVERIFY(onLight.lightness() < 120);
    }

    void clicksOnLinksReportTheLinkAndButton() {
        LinkTextPane pane;
        QMenu contextMenu;
        contextMenu.addAction("Копировать");
        pane.SetContextMenu(&contextMenu);
        pane.setReadOnly(true);
        pane.resize(400, 120);
        const QString text = "Смотри http://example.com/страница тут";
        pane.SetText(text);
        pane.show();
        QVERIFY(QTest::qWaitForWindowExposed(&pane));
        QSignalSpy clicks(&pane, &LinkTextPane::UrlClicked);
        const int linkStart = static_cast<int>(text.indexOf("http"));
        const QPoint onLink = PointAt(pane, linkStart + 5);
        const QPoint offLink = PointAt(pane, 2);
        QCOMPARE(pane.LinkAt(onLink), QStringLiteral("http://example.com/страница"));
        QVERIFY(pane.LinkAt(offLink).isEmpty());
        // Beyond the end of the line is no link, though the nearest character is.
        LinkTextPane ending;
        ending.resize(400, 120);
        ending.SetText("http://x.ru");
        ending.show();
        QVERIFY(QTest::qWaitForWindowExposed(&ending));
        QVERIFY(!ending.LinkAt(PointAt(ending, 5)).isEmpty());
        QVERIFY(ending.LinkAt(PointAt(ending, 10) + QPoint(60, 0)).isEmpty());

        QTest::mouseClick(pane.viewport(), Qt::LeftButton, {}, onLink);
        QCOMPARE(clicks.size(), 1);
        QCOMPARE(clicks[0][0].toString(), QStringLiteral("http://example.com/страница"));
        QCOMPARE(clicks[0][1].value<Qt::MouseButton>(), Qt::LeftButton);

        // A right click on a link opens no context menu; elsewhere it does.
        QTest::mousePress(pane.viewport(), Qt::RightButton, {}, onLink);
        QContextMenuEvent onLinkMenu(QContextMenuEvent::Mouse, onLink,
                                     pane.viewport()->mapToGlobal(onLink));
        QApplication::sendEvent(pane.viewport(), &onLinkMenu);
        QTest::mouseRelease(pane.viewport(), Qt::RightButton, {}, onLink);
        QCOMPARE(clicks.size(), 2);
        QCOMPARE(clicks[1][1].value<Qt::MouseButton>(), Qt::RightButton);
        QVERIFY(!contextMenu.isVisible());
        QContextMenuEvent offLinkMenu(QContextMenuEvent::Mouse, offLink,
                                      pane.viewport()->mapToGlobal(offLink));
        QApplication::sendEvent(pane.viewport(), &offLinkMenu);
        QTRY_VERIFY(contextMenu.isVisible());
        contextMenu.hide();

        // Clicks off the link, and a press that is released elsewhere, report nothing.
        QTest::mouseClick(pane.viewport(), Qt::LeftButton, {}, offLink);
        QTest::mousePress(pane.viewport(), Qt::LeftButton, {}, onLink);
        QTest::mouseRelease(pane.viewport(), Qt::LeftButton, {}, offLink);
        QTest::mousePress(pane.viewport(), Qt::LeftButton, {}, offLink);
        QTest::mouseRelease(pane.viewport(), Qt::LeftButton, {}, onLink);
        QTest::mouseClick(pane.viewport(), Qt::MiddleButton, {}, onLink);
        QCOMPARE(clicks.size(), 2);
    }
};

}  // namespace lyr

QTEST_MAIN(lyr::LinksTest)
#include "links_test.moc"
