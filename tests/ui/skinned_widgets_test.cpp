// SPDX-License-Identifier: GPL-3.0-or-later
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QTest>

#include "ui/skin/skin_styling.h"
#include "ui/skin/skinned_buttons.h"

namespace lyr {
namespace {

QImage Picture(QWidget& widget) {
    return widget.grab().toImage();
}

QImage Filled(QSize size, const QColor& color) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    return image;
}

// What a 12 x 12 TSmallButton shows: B border, G glyph, . back colour.
const char* const kSmallButtonPicture[12] = {
    ".BBBBBBBBBB.",  //
    "B..........B",  //
    "B..........B",  //
    "B....GG....B",  //
    "B...GGGG...B",  //
    "B..GGGGGG..B",  //
    "B....GG....B",  //
    "B....GG....B",  //
    "B....GG....B",  //
    "B..........B",  //
    "B..........B",  //
    ".BBBBBBBBBB.",  //
};

void CompareSmallButton(const QImage& picture, const QColor& back, const QColor& border,
                        const QColor& glyph) {
    QCOMPARE(picture.size(), QSize(12, 12));
    for (int y = 0; y < 12; ++y) {
        for (int x = 0; x < 12; ++x) {
            const char mark = kSmallButtonPicture[y][x];
            const QColor expected = mark == 'B' ? border : mark == 'G' ? glyph : back;
            QVERIFY2(picture.pixelColor(x, y) == expected,
                     qPrintable(QStringLiteral("pixel %1, %2").arg(x).arg(y)));
        }
    }
}

}  // namespace

class SkinnedWidgetsTest : public QObject {
    Q_OBJECT

private slots:
    void myButtonShowsItsPressImageOnlyWhileDown() {
        TMyButton button;
        QCOMPARE(button.size(), QSize(9, 9));
        QCOMPARE(button.NormalImage().size(), QSize(9, 9));
        const QImage normal = Filled({15, 18}, QColor(10, 20, 30));
        const QImage pressed = Filled({15, 18}, QColor(200, 100, 50));
        button.SetImages(normal, pressed);
        button.resize(15, 18);
        QCOMPARE(Picture(button), normal);
        button.setDown(true);
        QCOMPARE(Picture(button), pressed);
        button.setDown(false);
        // Held down.
        button.setCheckable(true);
        button.setChecked(true);
        QCOMPARE(Picture(button), pressed);
        button.setChecked(false);
        button.setEnabled(false);
        QCOMPARE(Picture(button), normal);
        QCOMPARE(button.focusPolicy(), Qt::NoFocus);
    }

    void myButtonClicksLikeAnyButton() {
        TMyButton button;
        button.SetImages(Filled({9, 9}, Qt::gray), Filled({9, 9}, Qt::white));
        int clicks = 0;
        connect(&button, &QAbstractButton::clicked, [&clicks] { ++clicks; });
        QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(4, 4));
        QCOMPARE(clicks, 1);
    }

    void smallButtonPicture() {
        TSmallButton button;
        QCOMPARE(button.size(), QSize(12, 12));
        QCOMPARE(button.GlyphColor(), QColor(Qt::black));
        QCOMPARE(button.BorderColor(), QColor(0x80, 0x80, 0x80));
        QCOMPARE(button.BackColor(), button.palette().color(QPalette::Button));
        const QColor back(16, 16, 24);
        const QColor border(200, 0, 0);
        const QColor glyph(0, 200, 0);
        button.SetBackColor(back);
        button.SetBorderColor(border);
        button.SetGlyphColor(glyph);
        CompareSmallButton(Picture(button), back, border, glyph);
        // Disabled: the glyph takes the border colour.
        button.setEnabled(false);
        CompareSmallButton(Picture(button), back, border, border);
    }

    void skinColoursReachEveryControl() {
        QWidget window;
        auto* infoText = new QLabel("info", &window);
        auto* sendText = new QPlainTextEdit(&window);
        auto* recText = new QPlainTextEdit(&window);
        auto* userList = new QListWidget(&window);
        auto* fromPanel = new QLabel("from", &window);
        auto* onPanel = new TSmallButton(fromPanel);
        auto* elsewhere = new TSmallButton(&window);
        auto* splitter1 = new QSplitter(&window);
        splitter1->addWidget(new QWidget);
        splitter1->addWidget(new QWidget);
        auto* splitter2 = new QSplitter(&window);
        const QColor skinColor(16, 16, 24);
        const QColor textColor(Qt::white);
        ApplySkinColors(
            skinColor, textColor,
            {&window, infoText, sendText, recText, userList, fromPanel, splitter1, splitter2});
        for (QWidget* widget :
             {static_cast<QWidget*>(infoText), static_cast<QWidget*>(fromPanel)}) {
            QCOMPARE(widget->palette().color(QPalette::Window), skinColor);
            QCOMPARE(widget->palette().color(QPalette::WindowText), textColor);
            QVERIFY(widget->autoFillBackground());
        }
        for (QWidget* widget : {static_cast<QWidget*>(sendText), static_cast<QWidget*>(recText),
                                static_cast<QWidget*>(userList)}) {
            QCOMPARE(widget->palette().color(QPalette::Base), skinColor);
            QCOMPARE(widget->palette().color(QPalette::Text), textColor);
        }
        QCOMPARE(splitter1->handle(1)->palette().color(QPalette::Window), skinColor);
        QCOMPARE(splitter2->palette().color(QPalette::Window), skinColor);
        QCOMPARE(window.palette().color(QPalette::Window), skinColor);
        QCOMPARE(window.palette().color(QPalette::WindowText), textColor);
        QCOMPARE(onPanel->GlyphColor(), textColor);
        QCOMPARE(onPanel->BorderColor(), textColor);
        QCOMPARE(onPanel->BackColor(), skinColor);
        QCOMPARE(elsewhere->GlyphColor(), QColor(Qt::black));
        // What the user sees in a pane: the skin colour behind the text.
        sendText->resize(80, 40);
        QCOMPARE(sendText->viewport()->grab().toImage().pixelColor(70, 30), skinColor);
    }

    void skinColoursCanChangeAgain() {
        QLabel infoText("info");
        ApplySkinColors(Qt::white, Qt::black, {.InfoText = &infoText});
        ApplySkinColors(QColor(16, 16, 24), Qt::white, {.InfoText = &infoText});
        QCOMPARE(infoText.palette().color(QPalette::Window), QColor(16, 16, 24));
        QCOMPARE(infoText.palette().color(QPalette::WindowText), QColor(Qt::white));
    }

    void fontsReachBothPanesAndLeaveTheirColour() {
        QPlainTextEdit recText;
        QPlainTextEdit sendText;
        QPalette palette = recText.palette();
        palette.setColor(QPalette::Text, Qt::red);
        recText.setPalette(palette);
        ApplyFonts({QStringLiteral("DejaVu Serif"), 14, 204}, &recText, &sendText);
        for (QPlainTextEdit* pane : {&recText, &sendText}) {
            QCOMPARE(pane->font().family(), QStringLiteral("DejaVu Serif"));
            QCOMPARE(pane->font().pointSize(), 14);
        }
        QCOMPARE(recText.palette().color(QPalette::Text), QColor(Qt::red));
        // A size that makes no sense keeps the size the pane has.
        ApplyFonts({QStringLiteral("DejaVu Sans"), 0, 0}, &recText, nullptr);
        QCOMPARE(recText.font().family(), QStringLiteral("DejaVu Sans"));
        QCOMPARE(recText.font().pointSize(), 14);
    }
};

}  // namespace lyr

QTEST_MAIN(lyr::SkinnedWidgetsTest)
#include "skinned_widgets_test.moc"
