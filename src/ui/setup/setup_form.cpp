// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/setup/setup_form.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCoreApplication>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTableWidget>
#include <QToolButton>
#include <QWhatsThis>

#include "app/identity.h"
#include "app/program_titles.h"
#include "app/setup_values.h"
#include "app/shortcut_text.h"
#include "messaging/quick_texts.h"
#include "ui/ansi_text.h"
#include "ui/setup/colour_box.h"
#include "ui/setup/context_help.h"
#include "ui/setup/icons_grid.h"
#include "ui/setup/setup_pictures.h"
#include "ui/setup/shortcut_edit.h"
#include "ui/window_showing.h"

namespace lyr {
namespace {

std::vector<std::string> GridTexts(const QTableWidget* grid) {
    std::vector<std::string> lines;
    for (int row = 0; row < static_cast<int>(kQuickTextCount); ++row) {
        const QTableWidgetItem* cell = grid->item(row, 1);
        lines.push_back(cell ? ToAnsi(cell->text()) : std::string());
    }
    return lines;
}

}  // namespace

SetupFormFiles SetupFormFilesOfThisProgram(const std::string& dataDir,
                                           const SpecialFolders& folders) {
    return {dataDir, folders.autostart,
            std::filesystem::path(QCoreApplication::applicationFilePath().toStdString())};
}

TSetupForm::TSetupForm(TOptions& options, SetupFormHost& host, SetupFormFiles files,
                       QWidget* parent)
    : QDialog(parent), options_(options), host_(host), files_(std::move(files)) {
    setObjectName(QStringLiteral("SetupForm"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::WindowContextHelpButtonHint);
    QFont formFont;
    formFont.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Sans Serif")});
    formFont.setPointSize(8);
    setFont(formFont);
    setFixedSize(526, 374);
    CentreOnDesktop(*this);

    pages_ = new QStackedWidget(this);
    pages_->setGeometry(84, 0, 441, 345);
    pages_->addWidget(BuildSettingsPage());
    pages_->addWidget(BuildInterfacePage());
    pages_->addWidget(BuildSkinsPage());
    pages_->addWidget(BuildMacrosPage());
    BuildPageColumn();

    SpeedButton1 = new QToolButton(this);
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    SpeedButton1->setText(QStringLiteral("OK"));
    SpeedButton1->setAutoRaise(true);
    SpeedButton1->setGeometry(444, 348, 72, 22);
    connect(SpeedButton1, &QToolButton::clicked, this, &TSetupForm::SpeedButton1Click);

    FormCreate();
}

TSetupForm::~TSetupForm() {
    if (keyPreviewInstalled_) {
        qApp->removeEventFilter(this);
    }
}

void TSetupForm::BuildPageColumn() {
    auto* column = new QFrame(this);
    column->setObjectName(QStringLiteral("PageColumn"));
    column->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    column->setGeometry(0, 0, 82, 374);
    column->setAutoFillBackground(true);
    QPalette grey = column->palette();
    grey.setColor(QPalette::Window, QColor(0x80, 0x80, 0x80));
    grey.setColor(QPalette::ButtonText, Qt::white);
    column->setPalette(grey);
    struct PageButton {
        QToolButton** button;
        const char* name;
        const char* caption;
        int page;
    };
    // Created, and so held, in the column's order.
    const PageButton buttons[] = {
        {&RoSpeedButton1, "RoSpeedButton1", "Виды", kSkinsPage},
        {&RoSpeedButton2, "RoSpeedButton2", "Макросы", kMacrosPage},
        {&btnSetup, "btnSetup", "Настройки", kSettingsPage},
        {&RoSpeedButton4, "RoSpeedButton4", "Интерфейс", kInterfacePage},
    };
    for (size_t i = 0; i < std::size(buttons); ++i) {
        auto* button = new QToolButton(column);
        button->setObjectName(QString::fromLatin1(buttons[i].name));
        button->setText(QString::fromUtf8(buttons[i].caption));
        button->setIcon(PageButtonPicture(buttons[i].page));
        button->setIconSize(QSize(32, 32));
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        button->setCheckable(true);
        button->setAutoExclusive(true);
        button->setAutoRaise(true);
        // They take the focus, so the pages can be changed and read without a mouse: like
        // radio buttons, Tab reaches the page's button and the arrows step to the others.
        button->setFocusPolicy(Qt::StrongFocus);
        button->setProperty("tag", buttons[i].page);
        button->setGeometry(0, buttons[i].page * 57, 81, 57);
        // Toggled, not clicked: assistive technology checks a button without a click.
        connect(button, &QToolButton::toggled, this, [this, button](bool checked) {
            if (checked)
                btnSetupClick(button);
        });
        *buttons[i].button = button;
        pageButtons_[i] = button;
    }
}

void TSetupForm::FormCreate() {
    setWindowTitle(QStringLiteral("Настройка ") + QLatin1String(kProgramTitle));

    // The skins: the program's own directory for the built-in skin, else the skin's directory.
    const std::string& skin = options_.SkinDir();
    const bool builtIn = skin == kDefaultSkin;
    const QString skinDirectory = QString::fromStdString(SkinDirectoryPart(skin));
    FillSkinsList(builtIn ? QString::fromStdString(files_.executable.parent_path().string())
                          : skinDirectory);
    SkinDir->setText(builtIn ? QString() : skinDirectory);

    // Setting a control runs its action when that changes it from how it was built.
    StopNTServiceBox->setChecked(options_.NTService());
    CheckAnotherBox->setChecked(options_.CheckAnother());
    HideOnSend->setChecked(options_.HideASend());
    BOSBox->setChecked(options_.SendBeep());
    BORBox->setChecked(options_.RecBeep());
    USIBox->setChecked(options_.UseSysIcon());
    CheckBox1->setChecked(options_.ShowMsg());
    DesktopNotifyBox->setChecked(options_.DesktopNotify());
    SaveUserBox->setChecked(options_.SaveUserBoxes());
    ClearOnSend->setChecked(options_.ClearMsg());

    const Identity& identity = host_.IdentityValues();
    eAutoReplyText->setText(FromAnsi(identity.ReplyText));
    eBusyText->setText(FromAnsi(identity.BusyText));
    eFullName->setText(FromAnsi(identity.UserName));
    eUserNik->setText(FromAnsi(identity.Nik));
    UserWndColor->SetSelected(options_.UserWinColor());
    bAnimate->setChecked(options_.AnimateRec());

    const std::pair<QTableWidget*, const std::vector<std::string>*> grids[] = {
        {MacroGrid, &host_.MacroList()}, {ReplyGrid, &host_.ReplyList()}};
    for (const auto& [grid, lines] : grids) {
        for (int row = 0; row < static_cast<int>(kQuickTextCount); ++row) {
            const bool present = row < static_cast<int>(lines->size());
            grid->item(row, 1)->setText(present ? FromAnsi((*lines)[row]) : QString());
        }
    }

    QButtonGroup* windowTypes = windowTypeButtons_[0]->group();
    windowTypes->setExclusive(false);
    for (QRadioButton* button : windowTypeButtons_) {
        button->setChecked(false);
    }
    windowTypes->setExclusive(true);
    const int windowType = options_.WindowType();
    if (windowType >= 0 && windowType <= 2) {
        windowTypeButtons_[windowType]->setChecked(true);
    }

    IconsGrid_->SetPictures(host_.UserIcons());
    // A UserIcon without a picture (set by hand in the settings) leaves no cell current.
    if (options_.UserIcon() >= 0 && options_.UserIcon() < IconsGrid_->columnCount()) {
        IconsGrid_->setCurrentCell(0, options_.UserIcon());
    }

    EnableNotificationGroup(options_.ShowMsg());
    windowTypeButtons_[3]->setEnabled(false);
    CheckBox1->setEnabled(true);

    cbMinOnStart->setChecked(options_.MinOnStart());
    cbRunOnWinStart->setChecked(options_.RunOnWinStart());
    cbStartupRescan->setChecked(options_.StartupRescan());
    cbAutoRescan->setChecked(options_.AutoRescan());
    eRescanTime->setValue(RescanMinutes(options_.RescanTime()));
    eShortCut->setText(QString::fromStdString(ShortCutText(options_.ShortCutKey())));

    btnSetupClick(btnSetup);
}

void TSetupForm::SwitchToPage(int page) {
    for (QToolButton* button : pageButtons_) {
        if (button->property("tag").toInt() == page) {
            btnSetupClick(button);
        }
    }
}

int TSetupForm::CurrentPage() const {
    return pages_->currentIndex();
}

void TSetupForm::btnSetupClick(QToolButton* button) {
    pages_->setCurrentIndex(button->property("tag").toInt());
    button->setChecked(true);
}

void TSetupForm::showEvent(QShowEvent* event) {
    // The form sees every key before the focused control does.
    if (!keyPreviewInstalled_) {
        qApp->installEventFilter(this);
        keyPreviewInstalled_ = true;
    }
    QDialog::showEvent(event);
}

void TSetupForm::hideEvent(QHideEvent* event) {
    if (keyPreviewInstalled_) {
        qApp->removeEventFilter(this);
        keyPreviewInstalled_ = false;
    }
    QDialog::hideEvent(event);
}

bool TSetupForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && watched->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(watched);
        if (widget == this || isAncestorOf(widget)) {
            return FormKeyDown(static_cast<QKeyEvent*>(event));
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool TSetupForm::FormKeyDown(QKeyEvent* event) {
    const Qt::KeyboardModifiers modifiers =
        event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    if (event->key() == Qt::Key_Escape) {
        CloseWithStoredTexts(kModalResultCancel);
        return true;
    }
    if ((event->key() == Qt::Key_Down || event->key() == Qt::Key_Up) &&
        modifiers == Qt::AltModifier) {
        const int count = static_cast<int>(pageButtons_.size());
        const int down =
            static_cast<int>(std::find_if(pageButtons_.begin(), pageButtons_.end(),
                                          [](QToolButton* button) { return button->isChecked(); }) -
                             pageButtons_.begin());
        const int step = event->key() == Qt::Key_Down ? 1 : count - 1;
        btnSetupClick(pageButtons_[(down + step) % count]);
        return true;
    }
    // Help for the focused control; in the hot key field F1 is a key like any other.
    if (event->key() == Qt::Key_F1 && modifiers == Qt::NoModifier && focusWidget() != eShortCut) {
        ShowHelpOf(focusWidget());
        return true;
    }
    return false;
}

void TSetupForm::ShowHelpOf(QWidget* focus) {
    if (QWidget* control = HelpContextControl(focus)) {
        QWhatsThis::showText(control->mapToGlobal(control->rect().center()), control->whatsThis(),
                             control);
    }
}

void TSetupForm::SpeedButton1Click() {
    Guarded([this] { host_.UpdateHotKey(); });
    CloseWithStoredTexts(kModalResultOk);
}

void TSetupForm::CloseWithStoredTexts(int result) {
    try {
        StoreDialogTexts();
    } catch (const std::exception& error) {
        // Nothing typed is lost: the dialog stays open with the texts in their fields.
        host_.ReportError(error);
        return;
    }
    done(result);
}

void TSetupForm::reject() {
    done(kModalResultCancel);
}

void TSetupForm::StoreDialogTexts() {
    Identity& identity = host_.IdentityValues();
    identity.ReplyText = ToAnsi(eAutoReplyText->text());
    identity.BusyText = ToAnsi(eBusyText->text());
    identity.Nik = CutName(ToAnsi(eUserNik->text()));
    identity.UserName = CutName(ToAnsi(eFullName->text()));
    std::vector<std::string>& replies = host_.ReplyList();
    std::vector<std::string>& macros = host_.MacroList();
    replies = GridTexts(ReplyGrid);
    macros = GridTexts(MacroGrid);
    SaveQuickTexts(files_.DataDir + kReplyFileName, replies);
    SaveQuickTexts(files_.DataDir + kMacroFileName, macros);
}

void TSetupForm::Guarded(const std::function<void()>& action) {
    try {
        action();
    } catch (const std::exception& error) {
        host_.ReportError(error);
    }
}

}  // namespace lyr
