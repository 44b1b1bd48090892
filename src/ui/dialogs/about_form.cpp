// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/dialogs/about_form.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QUrl>
#include <QUrlQuery>
#include <QWindow>

#include "app/about_texts.h"
#include "app/program_titles.h"
#include "ui/dialogs/scrolling_lines.h"
#include "ui/setup/setup_pictures.h"
#include "ui/window_showing.h"

namespace lyr {
namespace {

constexpr int kRightColumn = 293;
constexpr qsizetype kMaximumLabelText = 255;

QStringList ThanksLines() {
    return {
        QStringLiteral("За помощь в разработке продукта"),
        QStringLiteral("мы благодарны:"),
        QString(),
        QStringLiteral("Авторам бесплатных библиотек:"),
        QStringLiteral("Qt (https://www.qt.io)"),
        QStringLiteral("zlib и minizip (https://zlib.net)"),
    };
}

}  // namespace

TAboutForm::TAboutForm(const SystemInformation& system, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("AboutForm"));
    setWindowTitle(QStringLiteral("О программе..."));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    QFont formFont;
    formFont.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Sans Serif")});
    formFont.setPointSize(8);
    setFont(formFont);
    setFixedSize(386, 200);
    CentreOnDesktop(*this);
    FormCreate(system);
}

QLabel* TAboutForm::AddLabel(const char* name, const QString& text, QPoint at) {
    auto* label = new QLabel(text, this);
    label->setObjectName(QString::fromLatin1(name));
    label->move(at);
    label->adjustSize();
    return label;
}

QLabel* TAboutForm::AddLink(const char* name, const QString& text, QPoint at, const QString& hint) {
    QLabel* link = AddLabel(name, text, at);
    QPalette blue = link->palette();
    blue.setColor(QPalette::WindowText, Qt::blue);
    link->setPalette(blue);
    QFont underlined = link->font();
    underlined.setUnderline(true);
    link->setFont(underlined);
    link->adjustSize();
    link->setCursor(Qt::PointingHandCursor);
    link->setToolTip(hint);
    return link;
}

void TAboutForm::FormCreate(const SystemInformation& system) {
    auto* logo = new QLabel(this);
    logo->setObjectName(QStringLiteral("LogoImage"));
    logo->setGeometry(0, 0, 40, height());
    logo->setPixmap(LogoPicture(height()));

    auto* title = new QLabel(QLatin1String(kProgramTitle), this);
    title->setObjectName(QStringLiteral("TitleLabel"));
    title->setGeometry(0, 12, width(), 29);
    title->setAlignment(Qt::AlignCenter);
    QFont titleFont(QStringLiteral("Arial"));
    titleFont.setPixelSize(19);
    titleFont.setBold(true);
    title->setFont(titleFont);

    AddLabel("Label2", QStringLiteral("Обмен сообщениями в локальной сети"), {58, 48});
    AddLabel("Label3", QStringLiteral("Web:"), {58, 70});
    Label7 = AddLink("Label7", QString::fromLatin1(kProductWebAddress), {104, 70},
                     QStringLiteral("Скачать новую версию программы."));
    AddLabel("Label4", QStringLiteral("E-Mail:"), {58, 88});
    Label6 = AddLink("Label6", QString::fromLatin1(kSupportMailAddress), {104, 88},
                     QStringLiteral("Напишите о своих пожеланиях."));
    Label5 = AddLabel("Label5", QStringLiteral("Версия:  "), {58, 108});
    VersionLabel = AddLabel("VersionLabel", QString::fromStdString(VersionText(BuiltVersion())),
                            {Label5->geometry().right() + 1, 108});

    auto* bevel = new QFrame(this);
    bevel->setObjectName(QStringLiteral("Bevel1"));
    bevel->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    bevel->setGeometry(46, 126, 245, 2);
    // Held to the information's column, so that the thanks can cover it; a longer text loses
    // its end (the kernel's release) on screen and shows whole as the label's hint.
    const QString systemText = QString::fromStdString(LinuxSystemText(system));
    WinVer = AddLabel("WinVer", systemText, {60, 134});
    WinVer->setToolTip(systemText);
    WinVer->setFixedWidth(kRightColumn - 2 - 60);
    WinVer->setText(WinVer->fontMetrics().elidedText(systemText, Qt::ElideRight, WinVer->width()));
    PhisMem = AddLabel(
        "PhisMem", QString::fromStdString(PhysicalMemoryText(system.physical_memory)), {60, 154});

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("SpeedButton1"));
    ok->setGeometry(kRightColumn, 48, 85, 22);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, [this] { done(1); });
    Button1 = new QPushButton(QStringLiteral("Благодарности"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    // Wider than 85 pixels only where the font needs it for the caption.
    const int buttonWidth = qBound(85, Button1->sizeHint().width(), width() - kRightColumn - 2);
    Button1->setGeometry(kRightColumn, 78, buttonWidth, 25);
    ok->resize(buttonWidth, 22);
    Button1->setAutoDefault(false);
    connect(Button1, &QPushButton::clicked, this, &TAboutForm::Button1Click);

    SecretPanel1 = new ScrollingLines(ThanksLines(), this);
    SecretPanel1->setObjectName(QStringLiteral("SecretPanel1"));
    SecretPanel1->setGeometry(44, 66, 247, 127);
    SecretPanel1->hide();

    CopyMenu = new QMenu(this);
    CopyMenu->setObjectName(QStringLiteral("CopyMenu"));
    QAction* copy = CopyMenu->addAction(QStringLiteral("Копировать"));
    copy->setObjectName(QStringLiteral("N1"));
    connect(copy, &QAction::triggered, this, &TAboutForm::N1Click);
    for (QLabel* label : {Label5, Label6, Label7}) {
        label->installEventFilter(this);
        label->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(label, &QLabel::customContextMenuRequested, this,
                [this, label](QPoint at) { CopyMenu->popup(label->mapToGlobal(at)); });
    }
    ok->setFocus();
}

bool TAboutForm::eventFilter(QObject* watched, QEvent* event) {
    auto* label = qobject_cast<QLabel*>(watched);
    if (label && event->type() == QEvent::MouseButtonPress) {
        Label5MouseDown(label);
    } else if (label && event->type() == QEvent::MouseButtonRelease &&
               static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
               label->rect().contains(static_cast<QMouseEvent*>(event)->position().toPoint())) {
        if (label == Label7) {
            Label7Click();
        } else if (label == Label6) {
            Label6Click();
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TAboutForm::Button1Click() {
    if (SecretPanel1->IsScrolling()) {
        SecretPanel1->Stop();
        Button1->setText(QStringLiteral("Благодарности"));
    } else {
        SecretPanel1->Start();
        Button1->setText(QStringLiteral("Информация"));
    }
}

void TAboutForm::Label7Click() {
    QDesktopServices::openUrl(QUrl(QString::fromLatin1(kProductWebAddress)));
}

void TAboutForm::Label6Click() {
    QUrl mail(QStringLiteral("mailto:") + QString::fromLatin1(kSupportMailAddress));
    QUrlQuery query;
    query.addQueryItem(
        QStringLiteral("subject"),
        QLatin1String(kProgramTitle) + QStringLiteral(" Version: ") + VersionLabel->text());
    mail.setQuery(query);
    QDesktopServices::openUrl(mail);
}

void TAboutForm::Label5MouseDown(QLabel* label) {
    lastLabelText_ = label->text().left(kMaximumLabelText);
}

void TAboutForm::N1Click() {
    QGuiApplication::clipboard()->setText(lastLabelText_);
}

void TAboutForm::KeepOnTop() {
    // The window system is told in place: setting the widget's flags would make the window
    // anew, and taking the old one down would end the box's modal loop.
    overrideWindowFlags(windowFlags() | Qt::WindowStaysOnTopHint);
    if (QWindow* shown = windowHandle())
        shown->setFlags(windowFlags());
    show();
    raise();
}

}  // namespace lyr
