// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main_window/main_window.h"

#include <QApplication>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QVBoxLayout>

#include "app/program_titles.h"
#include "app/virtual_key_codes.h"
#include "messaging/main_window_controller.h"
#include "ui/ansi_text.h"
#include "ui/dialogs/msg_form.h"
#include "ui/hint.h"
#include "ui/keys/virtual_keys.h"
#include "ui/main_window/scan_animation.h"
#include "ui/plain_text.h"
#include "ui/program/error_report.h"
#include "ui/skin/skin_loader.h"
#include "ui/skin/skin_styling.h"
#include "ui/window_showing.h"

namespace lyr {
namespace {

// The splitters: Splitter1 between the panes and the user list, Splitter2 between the two panes.
constexpr int kSplitter1Width = 5;
constexpr int kSplitter2Height = 3;

// Core pane texts break their lines with CR LF; the widgets with LF.
QString PaneTextFromCore(const std::string& text) {
    QString shown = FromAnsi(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return shown;
}

QMessageBox::Icon ToQtIcon(BoxIcon icon) {
    switch (icon) {
        case BoxIcon::Warning:
            return QMessageBox::Warning;
        case BoxIcon::Error:
            return QMessageBox::Critical;
        case BoxIcon::Information:
            break;
    }
    return QMessageBox::Information;
}

}  // namespace

MessagePane::MessagePane(QWidget* parent) : LinkTextPane(parent) {
    setFrameShape(QFrame::NoFrame);
    setTabChangesFocus(false);
}

void MessagePane::focusInEvent(QFocusEvent* event) {
    LinkTextPane::focusInEvent(event);
    if (on_enter) {
        on_enter();
    }
}

void MessagePane::keyPressEvent(QKeyEvent* event) {
    const int key = VirtualKeyOf(*event);
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    if (key != 0 && on_key_down) {
        on_key_down(key);
    }
    // Ctrl+Enter sends when the key comes up; it puts no line break into the pane.
    if (key == kVkReturn && ctrl && on_key_up) {
        return;
    }
    LinkTextPane::keyPressEvent(event);
}

void MessagePane::keyReleaseEvent(QKeyEvent* event) {
    const int key = VirtualKeyOf(*event);
    if (key != 0 && !event->isAutoRepeat() && on_key_up) {
        on_key_up(key, event->modifiers() & Qt::ControlModifier);
    }
    LinkTextPane::keyReleaseEvent(event);
}

TMainmgrForm::TMainmgrForm(TOptions& options)
    : options_(options),
      Panel1_(new QWidget(this)),
      Splitter1_(new QSplitter(Qt::Horizontal, Panel1_)),
      Splitter2_(new QSplitter(Qt::Vertical)),
      Panel5_(new QWidget),
      FromPanel_(new QLabel),
      FromPanelButton_(new TSmallButton(FromPanel_)),
      RecText_(new MessagePane),
      SendText_(new MessagePane),
      UserList_(new UserListWidget),
      InfoText_(new QLabel(this)) {
    setObjectName("MainmgrForm");
    setWindowTitle(QLatin1String(kProgramTitle));
    Panel1_->setObjectName("Panel1");
    auto* panel1Layout = new QVBoxLayout(Panel1_);
    panel1Layout->setContentsMargins(0, 0, 0, 0);
    panel1Layout->addWidget(Splitter1_);

    Splitter1_->setObjectName("Splitter1");
    Splitter1_->setHandleWidth(kSplitter1Width);
    Splitter1_->setChildrenCollapsible(false);
    Splitter2_->setObjectName("Splitter2");
    Splitter2_->setHandleWidth(kSplitter2Height);
    Splitter2_->setChildrenCollapsible(false);
    Splitter2_->setMinimumWidth(80);

    Panel5_->setObjectName("Panel5");
    Panel5_->setMinimumHeight(10);
    auto* panel5Layout = new QVBoxLayout(Panel5_);
    panel5Layout->setContentsMargins(0, 0, 0, 0);
    panel5Layout->setSpacing(0);
    FromPanel_->setObjectName("FromPanel");
    FromPanel_->setFixedHeight(14);
    FromPanel_->setAutoFillBackground(true);
    FromPanel_->setTextFormat(Qt::PlainText);
    SetHint(*FromPanelButton_, QStringLiteral("Спрятать панель"));
    panel5Layout->addWidget(FromPanel_);
    FromPanel_->setTextFormat(Qt::PlainText);  // names and dates from the wire
    RecText_->setObjectName("RecText");
    RecText_->setAccessibleName(QStringLiteral("Просмотр сообщений"));
    RecText_->setReadOnly(true);
    RecText_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    panel5Layout->addWidget(RecText_);

    SendText_->setObjectName("SendText");
    SendText_->setAccessibleName(QStringLiteral("Текст нового сообщения"));
    SendText_->on_key_up = [this](int key, bool ctrl_held) { emit SendTextKeyUp(key, ctrl_held); };
    RecText_->on_key_down = [this](int key) { emit RecTextKeyDown(key); };
    SendText_->on_enter = [this] { emit SendTextEntered(); };
    RecText_->on_enter = [this] { emit RecTextEntered(); };
    Splitter2_->addWidget(Panel5_);
    Splitter2_->addWidget(SendText_);
    Splitter2_->setStretchFactor(0, 0);
    Splitter2_->setStretchFactor(1, 1);

    UserList_->setObjectName("UserList");
    auto* Panel3 = new QWidget;
    Panel3->setObjectName("Panel3");
    Panel3->setMinimumWidth(80);
    auto* panel3Layout = new QVBoxLayout(Panel3);
    panel3Layout->setContentsMargins(0, 0, 0, 0);
    panel3Layout->addWidget(UserList_);
    Splitter1_->addWidget(Splitter2_);
    Splitter1_->addWidget(Panel3);
    Splitter1_->setStretchFactor(0, 0);
    Splitter1_->setStretchFactor(1, 1);

    InfoText_->setObjectName("InfoText");
    InfoText_->setTextFormat(Qt::PlainText);
    SetContentWidget(Panel1_);
    SetInfoTextWidget(InfoText_);

    // The small button keeps to FromPanel's right edge, one pixel in.
    auto* fromLayout = new QHBoxLayout(FromPanel_);
    fromLayout->setContentsMargins(0, 1, 1, 0);
    fromLayout->addStretch(1);
    fromLayout->addWidget(FromPanelButton_, 0, Qt::AlignTop);
    connect(FromPanelButton_, &QAbstractButton::clicked, this,
            [this] { FromPanel_->setVisible(!FromPanel_->isVisible()); });
    WireCaptionButtons();
    connect(this, &SkinnedFrame::CornerMenuRequested, this, &TMainmgrForm::MainMenuRequested);
}

TMainmgrForm::~TMainmgrForm() = default;

void TMainmgrForm::WireCaptionButtons() {
    connect(Button(CaptionButton::Close), &QAbstractButton::clicked, this,
            [this] { HideMainWindow(); });
    connect(Button(CaptionButton::Reply), &QAbstractButton::clicked, this,
            &TMainmgrForm::ReplyClicked);
    connect(Button(CaptionButton::Send), &QAbstractButton::clicked, this,
            &TMainmgrForm::SendClicked);
    connect(Button(CaptionButton::Previous), &QAbstractButton::clicked, this,
            &TMainmgrForm::PreviousClicked);
    connect(Button(CaptionButton::Next), &QAbstractButton::clicked, this,
            &TMainmgrForm::NextClicked);
    connect(Button(CaptionButton::Clear), &QAbstractButton::clicked, this,
            &TMainmgrForm::ClearClicked);
}

void TMainmgrForm::showEvent(QShowEvent* event) {
    // The program has no taskbar button; it lives in the tray.
    KeepOffTaskbar(*this);
    SkinnedFrame::showEvent(event);
    emit Showing();
    emit Shown();
}

void TMainmgrForm::changeEvent(QEvent* event) {
    // A click on the window behind a modal dialog gives it the focus in a window manager that
    // focuses on click; the dialog, which takes the keys, gets it back.
    if (event->type() == QEvent::ActivationChange && isActiveWindow() &&
        QApplication::activeModalWidget() != nullptr)
        ActivateAboveModal(*this);
    SkinnedFrame::changeEvent(event);
}

void TMainmgrForm::SetUserList(UserList* list) {
    UserList_->SetList(list);
}

void TMainmgrForm::SetCaption(const std::string& caption) {
    setWindowTitle(FromAnsi(caption));
}

WindowBounds TMainmgrForm::Bounds() const {
    const QRect r = geometry();
    return {r.x(), r.y(), r.width(), r.height()};
}

void TMainmgrForm::SetBounds(const WindowBounds& bounds) {
    SetFrameGeometry(QRect(bounds.Left, bounds.Top, bounds.Width, bounds.Height));
}

ClientSize TMainmgrForm::GetClientSize() const {
    return {width(), height()};
}

void TMainmgrForm::SetClientSize(const ClientSize& size) {
    SetFrameGeometry(QRect(pos(), QSize(size.Width, size.Height)));
}

void TMainmgrForm::PlaceControls(const MainWindowLayout& layout) {
    const WindowBounds& panel = layout.Panel1;
    Panel1_->setGeometry(panel.Left, panel.Top, panel.Width, panel.Height);
    Splitter1_->resize(panel.Width, panel.Height);
    Splitter1_->setSizes(
        {layout.Panel2Width, std::max(0, panel.Width - layout.Panel2Width - kSplitter1Width)});
    Splitter2_->setSizes(
        {layout.Panel5Height, std::max(0, panel.Height - layout.Panel5Height - kSplitter2Height)});
}

std::int32_t TMainmgrForm::Panel2Width() const {
    return Splitter1_->sizes().value(0);
}
std::int32_t TMainmgrForm::Panel5Height() const {
    return Splitter2_->sizes().value(0);
}

void TMainmgrForm::LoadSkin() {
    SetSkin(lyr::LoadSkin(QString::fromStdString(options_.SkinDir())));
}

void TMainmgrForm::ApplySkinColorsAndFonts() {
    ShowSkinColors();
    ApplyPaneFonts();
}

void TMainmgrForm::ShowSkin() {
    LoadSkin();
    ShowSkinColors();
    repaint();
}

void TMainmgrForm::ShowSkinColors() {
    const Skin& skin = CurrentSkin();
    ApplySkinColors(skin.SkinColor, skin.SkinTextColor,
                    {.window = this,
                     .InfoText = InfoText_,
                     .SendText = SendText_,
                     .RecText = RecText_,
                     .UserList = UserList_,
                     .FromPanel = FromPanel_,
                     .Splitter1 = Splitter1_,
                     .Splitter2 = Splitter2_});
    update();
}

void TMainmgrForm::ApplyPaneFonts() {
    ApplyFonts(
        {QString::fromStdString(options_.FontName()), options_.FontSize(), options_.FontSet()},
        RecText_, SendText_);
}

void TMainmgrForm::ShowMainWindow() {
    ShowAndActivate(*this);
}

void TMainmgrForm::HideMainWindow() {
    HideKeepingModal(*this);
}

void TMainmgrForm::FocusMainWindow() {
    // The focus goes back to the control the user left, so that the next command acts on the
    // pane it acted on before the message came.
    QWidget* last = focusWidget();
    ActivateAboveModal(*this);
    (last != nullptr ? last : this)->setFocus(Qt::ActiveWindowFocusReason);
}

std::string TMainmgrForm::RecText() const {
    return ToAnsi(RecText_->Text());
}

void TMainmgrForm::SetRecText(const std::string& text) {
    RecText_->SetText(FromAnsi(text));
}

void TMainmgrForm::EmphasizeRecTextFirstLine() {
    RecText_->EmphasizeFirstLine();
}

void TMainmgrForm::SetRecTextWordWrap(bool wrap) {
    RecText_->SetWordWrap(wrap);
}

std::string TMainmgrForm::SendText() const {
    return ToAnsi(SendText_->Text());
}

void TMainmgrForm::SetSendText(const std::string& text) {
    SendText_->SetText(FromAnsi(text));
}

void TMainmgrForm::FocusSendText() {
    SendText_->setFocus();
}

void TMainmgrForm::SetFromPanelCaption(const std::string& caption) {
    FromPanel_->setText(FromAnsi(caption));
}

bool TMainmgrForm::FromPanelVisible() const {
    return !FromPanel_->isHidden();
}

void TMainmgrForm::SetFromPanelVisible(bool visible) {
    FromPanel_->setVisible(visible);
}

void TMainmgrForm::PostCharsToSendText(const std::string& chars) {
    // Typed after the current handler has returned, at the caret, as keystrokes would be.
    const QString text = PaneTextFromCore(chars);
    QMetaObject::invokeMethod(
        SendText_, [pane = SendText_, text] { pane->insertPlainText(text); }, Qt::QueuedConnection);
}

MessagePane* TMainmgrForm::PaneOf(Pane pane) const {
    switch (pane) {
        case Pane::RecText:
            return RecText_;
        case Pane::SendText:
            return SendText_;
        case Pane::None:
            break;
    }
    return nullptr;
}

Pane TMainmgrForm::FocusedPane() const {
    if (SendText_->hasFocus()) {
        return Pane::SendText;
    }
    if (RecText_->hasFocus()) {
        return Pane::RecText;
    }
    return Pane::None;
}

void TMainmgrForm::CutSelection(Pane pane) {
    // A read-only pane gives nothing to cut: the cut leaves its text and the clipboard alone.
    if (auto* target = PaneOf(pane)) {
        target->cut();
    }
}

void TMainmgrForm::CopySelection(Pane pane) {
    if (auto* target = PaneOf(pane)) {
        target->copy();
    }
}

void TMainmgrForm::PastePlainText(Pane pane) {
    // QPlainTextEdit takes only the clipboard's plain text, never its markup.
    if (auto* target = PaneOf(pane); target && !target->isReadOnly()) {
        target->paste();
    }
}

void TMainmgrForm::SelectAll(Pane pane) {
    if (auto* target = PaneOf(pane)) {
        target->selectAll();
    }
}

std::optional<std::filesystem::path> TMainmgrForm::RunExportDialog() {
    QFileDialog dialog(this, QStringLiteral("Экспорт сообщения"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("txt"));
    dialog.setNameFilters(
        {QStringLiteral("текстовые файлы (*.txt)"), QStringLiteral("все файлы (*)")});
    dialog.setFileMode(QFileDialog::AnyFile);  // the directory must exist; overwriting is asked
    if (ExecModal(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return std::filesystem::path(dialog.selectedFiles().first().toStdString());
}

void TMainmgrForm::SetInfoText(const std::string& text) {
    infoText_ = FromAnsi(text);
    ShowInfoText();
}

void TMainmgrForm::SetReceivingSign(const std::string& sign) {
    receivingSign_ = FromAnsi(sign);
    ShowInfoText();
}

// The sign first: the label is narrow, and the whole of it is in its tool tip.
void TMainmgrForm::ShowInfoText() {
    if (receivingSign_.isEmpty()) {
        InfoText_->setText(infoText_);
        InfoText_->setToolTip({});
        return;
    }
    InfoText_->setText(infoText_.isEmpty() ? receivingSign_
                                           : receivingSign_ + QStringLiteral(" | ") + infoText_);
    InfoText_->setToolTip(PlainToolTip(receivingSign_));
}

void TMainmgrForm::ShowMessageBox(const MessageBoxRequest& box) {
    lyr::ShowMessageBox(ToQtIcon(box.Icon), FromAnsi(box.Title), PaneTextFromCore(box.Text),
                        box.TopmostForeground);
}

void TMainmgrForm::ShowMessageWindow(const MessageWindowRequest& window) {
    if (messageWindow_ == nullptr) {
        lyr::ShowMessageBox(QMessageBox::Information, QLatin1String(kProgramTitle),
                            PaneTextFromCore(window.Text));
        return;
    }
    messageWindow_->SetContents(FromAnsi(window.Status), FromAnsi(window.Text), window.Color,
                                options_.UserIcon());
    ExecModal(*messageWindow_);
}

void TMainmgrForm::ReportError(const std::string& text) {
    ReportErrorInBox(QString::fromUtf8(text));
}

void TMainmgrForm::UserListContentsChanged() {
    UserList_->Model().Reload();
}
void TMainmgrForm::RepaintUserList() {
    UserList_->Model().TicksChanged();
    UserList_->viewport()->update();
}
void TMainmgrForm::SetUserListEnabled(bool enabled) {
    // A disabled list loses the focus, and Qt would hand it on to the receive pane, where
    // Delete deletes the message shown. The window holds it meanwhile and gives it back.
    if (!enabled && focusWidget() == UserList_) {
        setFocus(Qt::OtherFocusReason);
        userListFocusParked_ = true;
    }
    UserList_->setEnabled(enabled);
    if (enabled && userListFocusParked_) {
        userListFocusParked_ = false;
        if (focusWidget() == this || focusWidget() == nullptr) {
            UserList_->setFocus(Qt::OtherFocusReason);
        }
    }
}

void TMainmgrForm::ShowScanAnimation() {
    if (scanAnimation_ == nullptr)
        scanAnimation_ = new ScanAnimation(UserList_);
    scanAnimation_->Start();
}

void TMainmgrForm::HideScanAnimation() {
    if (scanAnimation_ != nullptr)
        scanAnimation_->Stop();
}

}  // namespace lyr
