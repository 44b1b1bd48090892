// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/dialogs/msg_form.h"

#include <QKeyEvent>
#include <QLayout>
#include <QPainter>
#include <QShortcut>

#include <algorithm>

#include "app/program_titles.h"
#include "ui/skin/skin.h"
#include "ui/tray/artwork.h"
#include "ui/window_showing.h"

namespace lyr {
namespace {

constexpr int kEscapeResult = 1;

// PaintBox1: draws the chosen picture at its top-left corner.
class UserIconBox : public QWidget {
public:
    UserIconBox(const TMsgForm& form, QWidget* parent) : QWidget(parent), form_(form) {}

protected:
    void paintEvent(QPaintEvent*) override {
        const QList<QImage>& icons = UserIcons();
        const int index = form_.UserIcon();
        if (index >= 0 && index < icons.size()) {
            QPainter(this).drawImage(0, 0, icons[index]);
        }
    }

private:
    const TMsgForm& form_;
};

}  // namespace

TMsgForm::TMsgForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint),
      msgText_(new LinkTextPane(this)),
      paintBox_(new UserIconBox(*this, this)),
      statusBar_(new QStatusBar(this)),
      background_(palette().color(QPalette::Button)) {
    setWindowTitle(QLatin1String(kMainWindowTitle));
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    setModal(true);

    msgText_->setObjectName(QStringLiteral("MsgText"));
    msgText_->setAccessibleName(QStringLiteral("Текст сообщения"));
    msgText_->setReadOnly(true);
    msgText_->setFrameShape(QFrame::NoFrame);
    connect(msgText_, &LinkTextPane::UrlClicked, this, &TMsgForm::MsgTextURLClick);

    paintBox_->setObjectName(QStringLiteral("PaintBox1"));
    paintBox_->setGeometry(kPaintBoxGeometry);

    statusBar_->setObjectName(QStringLiteral("StatusBar"));
    statusBar_->setAutoFillBackground(true);
    const QString texts[2] = {QStringLiteral("Esc - закрыть окно"), QString()};
    for (int index = 0; index < 2; ++index) {
        panels_[index] = new QLabel(texts[index], statusBar_);
        panels_[index]->setFixedWidth(kStatusPanelWidths[index]);
        panels_[index]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        panels_[index]->setTextFormat(Qt::PlainText);  // the sender's name comes from the wire
        statusBar_->addWidget(panels_[index]);
    }
    panels_[0]->setAlignment(Qt::AlignCenter);

    // The window sees Esc before any of its controls does.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WindowShortcut);
    connect(escape, &QShortcut::activated, this, [this] { done(kEscapeResult); });

    SetColor(ToColorRef(background_));
    resize(kClientSize);
    PlaceControls();
}

void TMsgForm::SetColor(ColorRef color) {
    background_ = ToQColor(color);
    QPalette colors = msgText_->palette();
    colors.setColor(QPalette::Base, background_);
    colors.setColor(QPalette::Text, ToQColor(ContrastColor(color)));
    msgText_->setPalette(colors);
    update();
}

void TMsgForm::SetUserIcon(int index) {
    userIcon_ = index;
    paintBox_->update();
}

void TMsgForm::SetMessage(const QString& sender, const QString& timeText, const QString& text,
                          ColorRef color, int userIcon) {
    SetContents(QStringLiteral("От: %1 (%2)").arg(sender, timeText), text, color, userIcon);
}

void TMsgForm::SetContents(const QString& status, const QString& text, ColorRef color,
                           int userIcon) {
    SetColor(color);
    panels_[1]->setText(status);
    // The sender and the time are read whole: the panel grows to its text and the window
    // with it, and the window is not made narrower than that.
    panels_[1]->setFixedWidth(std::max(kStatusPanelWidths[1], panels_[1]->sizeHint().width()));
    statusBar_->layout()->activate();  // its minimum is kept from before the panel grew
    setMinimumWidth(statusBar_->minimumSizeHint().width());
    msgText_->clear();
    msgText_->SetText(text);
    SetUserIcon(userIcon);
}

int TMsgForm::ShowMessage(const QString& sender, const QString& timeText, const QString& text,
                          ColorRef color, int userIcon) {
    SetMessage(sender, timeText, text, color, userIcon);
    return ExecModal(*this);
}

void TMsgForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!placed_) {
        placed_ = true;
        CentreOnDesktop(*this);
    }
    raise();
    activateWindow();
}

void TMsgForm::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    PlaceControls();
}

void TMsgForm::PlaceControls() {
    // The pane keeps its distance to all four sides; the picture stays where it is.
    const int rightMargin = kClientSize.width() - kMsgTextGeometry.right() - 1;
    const int bottomMargin = kClientSize.height() - kMsgTextGeometry.bottom() - 1;
    msgText_->setGeometry(kMsgTextGeometry.left(), kMsgTextGeometry.top(),
                          std::max(0, width() - kMsgTextGeometry.left() - rightMargin),
                          std::max(0, height() - kMsgTextGeometry.top() - bottomMargin));
    statusBar_->setGeometry(0, height() - kStatusBarHeight, width(), kStatusBarHeight);
}

void TMsgForm::keyPressEvent(QKeyEvent* event) {
    // A dialog would take Esc as Cancel; here it is OK.
    if (event->key() == Qt::Key_Escape) {
        done(kEscapeResult);
        return;
    }
    QDialog::keyPressEvent(event);
}

void TMsgForm::paintEvent(QPaintEvent*) {
    QPainter(this).fillRect(rect(), background_);
}

}  // namespace lyr
