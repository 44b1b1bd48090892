// SPDX-License-Identifier: GPL-3.0-or-later
// Shows a skinned frame with stand-ins for the main window's panes and saves a picture of it,
// for looking at a skin: skin_demo OUTPUT.png [SKIN] [WIDTHxHEIGHT] [--pressed]
// SKIN "test" stands for the tests' skin, every piece in a colour of its own, packed in an
// archive as skins come. [--zoom N] [--crop
// X,Y,W,H]
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QScreen>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTimer>
#include <QVBoxLayout>

#include <cstdio>

#include "ui/skin/skin_loader.h"
#include "ui/skin/skin_styling.h"
#include "ui/skin/skinned_frame.h"
#include "ui/skin_fixtures.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    if (arguments.size() < 2) {
        std::fprintf(stderr,
                     "usage: skin_demo OUTPUT.png [SKIN] [WIDTHxHEIGHT] [--pressed] [--zoom N] "
                     "[--crop X,Y,W,H]\n");
        return 2;
    }
    const QString output = arguments[1];
    QString skinPath = arguments.size() > 2 ? arguments[2] : QString();
    QTemporaryDir scratch;
    if (skinPath == "test") {
        skinPath = scratch.filePath("test.wsz");
        const QImage bitmap = lyr::test::MakeTestSkinBitmap(QColor(224, 220, 200));
        lyr::test::WriteZip(skinPath, {{"test/mb.bmp", lyr::test::BmpBytes(bitmap)}});
    }
    QSize size(375, 232);
    if (arguments.size() > 3) {
        const QStringList parts = arguments[3].split('x');
        if (parts.size() == 2) {
            size = QSize(parts[0].toInt(), parts[1].toInt());
        }
    }
    const bool pressed = arguments.contains("--pressed");
    const qsizetype zoomAt = arguments.indexOf("--zoom");
    const qsizetype cropAt = arguments.indexOf("--crop");
    QRect crop;
    if (cropAt > 0 && cropAt + 1 < arguments.size()) {
        const QStringList parts = arguments[cropAt + 1].split(',');
        if (parts.size() == 4) {
            crop = QRect(parts[0].toInt(), parts[1].toInt(), parts[2].toInt(), parts[3].toInt());
        }
    }
    const int zoom =
        zoomAt > 0 && zoomAt + 1 < arguments.size() ? arguments[zoomAt + 1].toInt() : 1;

    lyr::SkinnedFrame frame;
    frame.SetSkin(lyr::LoadSkin(skinPath));
    const lyr::Skin& skin = frame.CurrentSkin();

    auto* panel1 = new QSplitter(Qt::Horizontal);
    auto* panel2 = new QSplitter(Qt::Vertical);
    auto* panel5 = new QWidget;
    auto* panel5Layout = new QVBoxLayout(panel5);
    panel5Layout->setContentsMargins(0, 0, 0, 0);
    panel5Layout->setSpacing(0);
    auto* fromPanel = new QLabel(QStringLiteral("От: PETROV 08.12.2025 10:15:42"));
    fromPanel->setFixedHeight(14);
    auto* hideButton = new lyr::TSmallButton(fromPanel);
    hideButton->move(0, 1);
    auto* recText = new QPlainTextEdit(
        QStringLiteral("Привет! Собрание переносится на 15:00, см. http://intranet/news"));
    recText->setReadOnly(true);
    panel5Layout->addWidget(fromPanel);
    panel5Layout->addWidget(recText);
    auto* sendText = new QPlainTextEdit(QStringLiteral("Хорошо, буду."));
    panel2->addWidget(panel5);
    panel2->addWidget(sendText);
    panel2->setHandleWidth(3);
    auto* userList = new QListWidget;
    userList->addItems({QStringLiteral("Вся сеть"), QStringLiteral("  WORKGROUP"),
                        QStringLiteral("    IVANOV"), QStringLiteral("    PETROV")});
    panel1->addWidget(panel2);
    panel1->addWidget(userList);
    panel1->setHandleWidth(5);
    panel1->setSizes({size.width() * 2 / 3, size.width() / 3});
    for (QWidget* pane : {static_cast<QWidget*>(recText), static_cast<QWidget*>(sendText),
                          static_cast<QWidget*>(userList)}) {
        if (auto* frameWidget = qobject_cast<QFrame*>(pane)) {
            frameWidget->setFrameShape(QFrame::NoFrame);
        }
    }
    auto* infoText = new QLabel(QStringLiteral("Сообщений: 3 / 3"));

    frame.SetContentWidget(panel1);
    frame.SetInfoTextWidget(infoText);
    lyr::ApplySkinColors(
        skin.SkinColor, skin.SkinTextColor,
        {&frame, infoText, sendText, recText, userList, fromPanel, panel1, panel2});
    lyr::ApplyFonts({QStringLiteral("DejaVu Sans"), 9, 204}, recText, sendText);
    frame.resize(size);
    hideButton->move(fromPanel->width() - hideButton->width() - 1, 1);
    if (pressed) {
        for (int i = 0; i < lyr::kCaptionButtonCount; ++i) {
            frame.Button(static_cast<lyr::CaptionButton>(i))->setDown(true);
        }
    }
    frame.move(40, 40);
    frame.show();

    int status = 0;
    QTimer::singleShot(300, [&] {
        hideButton->move(fromPanel->width() - hideButton->width() - 1, 1);
        QImage picture = frame.grab().toImage();
        if (!crop.isEmpty()) {
            picture = picture.copy(crop);
        }
        if (zoom > 1) {
            picture = picture.scaled(picture.size() * zoom);
        }
        if (!picture.save(output)) {
            std::fprintf(stderr, "skin_demo: cannot write %s\n", qPrintable(output));
            status = 1;
        }
        application.quit();
    });
    application.exec();
    return status;
}
