// SPDX-License-Identifier: GPL-3.0-or-later
// The four pages of the settings dialog: their controls, captions, help topics and wiring.
#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolButton>

#include "app/setup_values.h"
#include "messaging/quick_texts.h"
#include "ui/setup/colour_box.h"
#include "ui/setup/context_help.h"
#include "ui/setup/icons_grid.h"
#include "ui/setup/setup_form.h"
#include "ui/setup/setup_pictures.h"
#include "ui/setup/shortcut_edit.h"
#include "ui/setup/skins_list_box.h"

namespace lyr {
namespace {

constexpr int kGroupWidth = 433;

template <class Widget>
Widget* Named(Widget* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

// A group's title bar: white bold text, centred, on grey, across the group's width.
QLabel* TitleBar(QWidget* parent, const char* name, const QString& text, const QRect& geometry) {
    auto* title = Named(new QLabel(text, parent), name);
    title->setGeometry(geometry);
    title->setAlignment(Qt::AlignCenter);
    title->setAutoFillBackground(true);
    QPalette palette = title->palette();
    palette.setColor(QPalette::Window, QColor(0x80, 0x80, 0x80));
    palette.setColor(QPalette::WindowText, Qt::white);
    title->setPalette(palette);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    return title;
}

QGroupBox* Group(QWidget* parent, const char* name, const QRect& geometry) {
    auto* group = Named(new QGroupBox(parent), name);
    group->setGeometry(geometry);
    return group;
}

// A caption; the control it names, when given, is called by it for assistive technology.
QLabel* Caption(QWidget* parent, const char* name, const QString& text, QPoint at,
                QWidget* control = nullptr) {
    auto* label = Named(new QLabel(text, parent), name);
    label->move(at);
    label->adjustSize();
    label->setBuddy(control);
    return label;
}

// A widget that its owner paints.
class PaintedArea : public QWidget {
public:
    PaintedArea(QWidget* parent, std::function<void(QPainter&)> paint)
        : QWidget(parent), paint_(std::move(paint)) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        paint_(painter);
    }

private:
    std::function<void(QPainter&)> paint_;
};

// Hands every keystroke of a cell being edited to the cell, so that the grid always holds what
// the user sees, whenever the dialog is closed.
class LiveCellDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
        if (auto* line = qobject_cast<QLineEdit*>(editor)) {
            auto* self = const_cast<LiveCellDelegate*>(this);
            connect(line, &QLineEdit::textEdited, self,
                    [self, line] { emit self->commitData(line); });
        }
        return editor;
    }
};

}  // namespace

QCheckBox* TSetupForm::AddSettingBox(QWidget* group, const char* name, const QString& caption,
                                     int top, int helpTopic, const QString& description,
                                     bool (TOptions::*setting)() const,
                                     void (TOptions::*setter)(bool)) {
    auto* box = Named(new QCheckBox(caption, group), name);
    box->move(10, top);
    box->adjustSize();
    SetHelpContext(box, helpTopic, description);
    if (setter) {
        connect(box, &QCheckBox::toggled, this, [this, setting, setter](bool checked) {
            // Filling the dialog sets most boxes to what their settings hold already.
            if ((options_.*setting)() != checked) {
                Guarded([&] { (options_.*setter)(checked); });
            }
        });
    }
    return box;
}

QWidget* TSetupForm::BuildSettingsPage() {
    auto* page = new QWidget;
    QGroupBox* general = Group(page, "GroupBox5", {4, 4, kGroupWidth, 164});
    TitleBar(general, "Label2", QStringLiteral("Общие настройки"), {2, 2, kGroupWidth - 4, 16});
    cbRunOnWinStart = AddSettingBox(
        general, "cbRunOnWinStart", QStringLiteral("Запускать программу при старте Windows"), 20,
        101, QStringLiteral("Программа запускается вместе с сеансом рабочего стола."), nullptr,
        nullptr);
    connect(cbRunOnWinStart, &QCheckBox::toggled, this, &TSetupForm::cbRunOnWinStartClick);
    StopNTServiceBox = AddSettingBox(
        general, "StopNTServiceBox", QStringLiteral("Останавливать службу сообщений Windows NT"),
        40, 102,
        QStringLiteral("На время работы программы служба сообщений Windows NT останавливается."),
        &TOptions::NTService, &TOptions::SetNTService);
    HideOnSend =
        AddSettingBox(general, "HideOnSend", QStringLiteral("Прятать окно после посылки письма"),
                      60, 103, QStringLiteral("Главное окно прячется, как только письмо послано."),
                      &TOptions::HideASend, &TOptions::SetHideASend);
    cbMinOnStart = AddSettingBox(
        general, "cbMinOnStart", QStringLiteral("Прятать окно при старте программы"), 80, 104,
        QStringLiteral("Программа запускается без окна, только со значком в области уведомлений."),
        &TOptions::MinOnStart, &TOptions::SetMinOnStart);
    SaveUserBox = AddSettingBox(
        general, "SaveUserBox", QStringLiteral("Сохранять базы писем"), 100, 105,
        QStringLiteral("Принятые и посланные письма сохраняются до следующего запуска."),
        &TOptions::SaveUserBoxes, &TOptions::SetSaveUserBoxes);
    ClearOnSend =
        AddSettingBox(general, "ClearOnSend", QStringLiteral("Очищать окно после посылки письма"),
                      120, 106, QStringLiteral("Поле ввода очищается, как только письмо послано."),
                      &TOptions::ClearMsg, &TOptions::SetClearMsg);
    CheckAnotherBox = AddSettingBox(
        general, "CheckAnotherBox", QStringLiteral("Сообщить, если запущен другой popup клиент"),
        140, 107,
        QStringLiteral(
            "Если письма уже принимает другая программа, при старте об этом сообщается."),
        &TOptions::CheckAnother, &TOptions::SetCheckAnother);

    QGroupBox* users = Group(page, "GroupBox4", {4, 174, kGroupWidth, 167});
    TitleBar(users, "Label13", QStringLiteral("Список пользователей"), {2, 2, kGroupWidth - 4, 16});
    cbStartupRescan = AddSettingBox(
        users, "cbStartupRescan", QStringLiteral("Обновить список пользователей при старте"), 20,
        108, QStringLiteral("При старте программа заново ищет компьютеры сети."),
        &TOptions::StartupRescan, &TOptions::SetStartupRescan);
    cbAutoRescan = AddSettingBox(users, "cbAutoRescan",
                                 QStringLiteral("Обновлять автоматически каждые"), 40, 109,
                                 QStringLiteral("Список пользователей обновляется через заданное "
                                                "число минут."),
                                 nullptr, nullptr);
    connect(cbAutoRescan, &QCheckBox::toggled, this, &TSetupForm::cbAutoRescanClick);
    eRescanTime = Named(new QSpinBox(users), "eRescanTime");
    eRescanTime->setRange(kMinimumRescanMinutes, kMaximumRescanMinutes);
    eRescanTime->setValue(1);
    eRescanTime->setGeometry(cbAutoRescan->geometry().right() + 6, 38, 48, 21);
    // Its captions are the box before it and "минут" after it.
    eRescanTime->setAccessibleName(QStringLiteral("Минут между обновлениями"));
    SetHelpContext(eRescanTime, 110,
                   QStringLiteral("Через сколько минут, от 1 до 60, "
                                  "список пользователей обновляется."));
    connect(eRescanTime, &QSpinBox::textChanged, this, &TSetupForm::eRescanTimeChange);
    Caption(users, "Label8", QStringLiteral("минут"), {eRescanTime->geometry().right() + 6, 42});

    eShortCut = Named(new ShortCutEdit(users), "eShortCut");
    Caption(users, "Label15", QStringLiteral("Горячая клавиша открытия окна"), {10, 68}, eShortCut);
    eShortCut->setGeometry(10, 86, 105, 21);
    SetHelpContext(eShortCut, 111,
                   QStringLiteral("Нажмите здесь сочетание клавиш с Ctrl или Alt (или F1–F24), "
                                  "которое из любой программы открывает окно. Оно начинает "
                                  "действовать после «OK»."));
    connect(eShortCut, &ShortCutEdit::ShortCutPressed, this, &TSetupForm::eShortCutKeyDown);
    Button1 = Named(new QPushButton(QStringLiteral("Очистить"), users), "Button1");
    Button1->setAutoDefault(false);
    Button1->setGeometry(121, 85, 75, 23);
    SetHelpContext(Button1, 112, QStringLiteral("Горячая клавиша больше не нужна."));
    connect(Button1, &QPushButton::clicked, this, &TSetupForm::Button1Click);
    FontButton = Named(new QPushButton(QStringLiteral("Шрифт"), users), "FontButton");
    FontButton->setAutoDefault(false);
    FontButton->setGeometry(10, 126, 90, 25);
    SetHelpContext(FontButton, 113, QStringLiteral("Шрифт окон принятого и нового письма."));
    connect(FontButton, &QPushButton::clicked, this, &TSetupForm::FontButtonClick);
    return page;
}

QWidget* TSetupForm::BuildInterfacePage() {
    auto* page = new QWidget;
    // Three rows here and two below fill the page to its foot with the notification group.
    QGroupBox* look = Group(page, "GroupBox3", {4, 2, kGroupWidth, 74});
    TitleBar(look, "Label1", QStringLiteral("Настройка интерфейса "), {2, 2, kGroupWidth - 4, 16});
    auto* picture = Named(new QLabel(look), "Image1");
    picture->setPixmap(InterfacePicture());
    picture->setGeometry(kGroupWidth - 128, 28, 120, 22);
    USIBox = AddSettingBox(look, "USIBox", QStringLiteral("Иконка в Systray"), 20, 120,
                           QStringLiteral("Значок программы в области уведомлений; меняется "
                                          "после «OK»."),
                           &TOptions::UseSysIcon, &TOptions::SetUseSysIcon);
    bAnimate =
        AddSettingBox(look, "bAnimate", QStringLiteral("Анимация при появлении нового письма"), 37,
                      121, QStringLiteral("Значок программы оживает, когда приходит письмо."),
                      &TOptions::AnimateRec, &TOptions::SetAnimateRec);

    DesktopNotifyBox = AddSettingBox(
        look, "DesktopNotifyBox", QStringLiteral("Уведомления рабочего стола"), 54, 138,
        QStringLiteral("Письмо, которое показывается в окне уведомления, показывается и "
                       "уведомлением рабочего стола: щелчок по нему открывает окно, «Ответить» "
                       "готовит ответ."),
        &TOptions::DesktopNotify, &TOptions::SetDesktopNotify);

    QGroupBox* sounds = Group(page, "GroupBox2", {4, 78, kGroupWidth, 58});
    TitleBar(sounds, "Label5", QStringLiteral("Звуковые сигналы"), {2, 2, kGroupWidth - 4, 16});
    BOSBox = AddSettingBox(sounds, "BOSBox", QStringLiteral("Звуковой сигнал при передаче письма"),
                           20, 122, QStringLiteral("Сигнал звучит, когда письмо послано."),
                           &TOptions::SendBeep, &TOptions::SetSendBeep);
    BORBox =
        AddSettingBox(sounds, "BORBox", QStringLiteral("Звуковой сигнал при приеме нового письма"),
                      38, 123, QStringLiteral("Сигнал звучит, когда приходит письмо."),
                      &TOptions::RecBeep, &TOptions::SetRecBeep);

    GroupBox1 = Group(page, "GroupBox1", {4, 138, kGroupWidth, 207});
    GroupBox1->setTitle(QStringLiteral(" Параметры окна уведомления "));
    QFont bold = GroupBox1->font();
    bold.setBold(true);
    GroupBox1->setFont(bold);
    // The group's caption alone is bold; the weight is set so that it is not inherited.
    QFont regular = font();
    regular.setBold(false);
    // The check box is the group's title bar: it lies on a bar of the title bars' grey.
    QLabel* titleBar = TitleBar(GroupBox1, "CheckBox1Bar", QString(), {2, 18, kGroupWidth - 4, 17});
    CheckBox1 =
        AddSettingBox(GroupBox1, "CheckBox1", QStringLiteral("Показать окно уведомления"), 18, 124,
                      QStringLiteral("Пришедшее письмо показывается так, как выбрано "
                                     "ниже."),
                      nullptr, nullptr);
    CheckBox1->setGeometry(titleBar->geometry().adjusted(4, 0, 0, 0));
    CheckBox1->setPalette(titleBar->palette());
    CheckBox1->setChecked(true);
    connect(CheckBox1, &QCheckBox::toggled, this, &TSetupForm::CheckBox1Click);

    auto* windowTypes = new QButtonGroup(GroupBox1);
    const struct {
        const char* name;
        const char* caption;
        int helpTopic;
        const char* description;
    } radios[] = {
        {"RB1", "Стандартное окно Windows", 125, "Письмо показывается в окне сообщения с «OK»."},
        {"RB2", "Окно программы", 126, "Письмо показывается в главном окне программы."},
        {"RB3", "Окно пользователя", 127,
         "Письмо показывается в отдельном окне с выбранными ниже цветом и значком."},
        {"RB4", "Tool-Tip для Windows 2000 (доступно в следующих версиях)", 127,
         "Пока недоступно."},
    };
    for (int tag = 0; tag < 4; ++tag) {
        auto* button = Named(new QRadioButton(QString::fromUtf8(radios[tag].caption), GroupBox1),
                             radios[tag].name);
        button->setFont(regular);
        button->setProperty("tag", tag);
        button->move(10, 40 + tag * 17);
        button->adjustSize();
        SetHelpContext(button, radios[tag].helpTopic, QString::fromUtf8(radios[tag].description));
        windowTypes->addButton(button, tag);
        button->setChecked(tag == 0);
        connect(button, &QRadioButton::toggled, this,
                [this, button](bool checked) { RB1Click(button, checked); });
        windowTypeButtons_[tag] = button;
    }
    UserWindowPreview =
        Named(new PaintedArea(GroupBox1, [this](QPainter& painter) { PaintPreview(painter); }),
              "UserWindowPreview");
    UserWindowPreview->setGeometry(kGroupWidth - 108, 40, 100, 50);

    UserWndColor = Named(new ColorBox(GroupBox1), "UserWndColor");
    Caption(GroupBox1, "Label6", QStringLiteral("Цвет окна пользователя"), {10, 116}, UserWndColor)
        ->setFont(regular);
    UserWndColor->setFont(regular);
    UserWndColor->setGeometry(170, 111, 110, 22);
    SetHelpContext(UserWndColor, 128, QStringLiteral("Цвет фона отдельного окна письма."));
    connect(UserWndColor, &ColorBox::SelectedChanged, this, [this](ColorRef color) {
        if (options_.UserWinColor() != color) {
            Guarded([&] { options_.SetUserWinColor(color); });
        }
    });

    TitleBar(GroupBox1, "Label7", QStringLiteral("  Иконка окна пользователя"),
             {2, 138, kGroupWidth - 4, 15})
        ->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    IconsGrid_ = Named(new IconsGrid(GroupBox1), "IconsGrid");
    // A list or grid is not named by a caption: it takes the title's text itself.
    IconsGrid_->setAccessibleName(QStringLiteral("Иконка окна пользователя"));
    IconsGrid_->setFont(regular);
    IconsGrid_->setGeometry(6, 155, kGroupWidth - 12, 48);
    SetHelpContext(IconsGrid_, 129, QStringLiteral("Значок отдельного окна письма."));
    connect(IconsGrid_, &IconsGrid::PictureSelected, this, [this](int column) {
        if (options_.UserIcon() != column) {
            Guarded([&] { options_.SetUserIcon(column); });
        }
    });
    return page;
}

QWidget* TSetupForm::BuildSkinsPage() {
    auto* page = new QWidget;
    TitleBar(page, "Label3", QStringLiteral("Выбор вида"), {4, 4, kGroupWidth, 16});
    SkinsList = Named(new SkinsListBox(page), "SkinsList");
    SkinsList->setAccessibleName(QStringLiteral("Выбор вида"));
    SkinsList->setGeometry(6, 24, 429, 241);
    SkinsList->setFlow(QListView::TopToBottom);
    SkinsList->setWrapping(true);
    SkinsList->setResizeMode(QListView::Adjust);
    SkinsList->setUniformItemSizes(true);
    SkinsList->setGridSize(QSize(212, SkinsList->fontMetrics().height() + 3));
    SkinsList->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    SetHelpContext(SkinsList, 130,
                   QStringLiteral("Выбранный вид сразу показывается в главном окне."));
    connect(SkinsList, &SkinsListBox::EntryPicked, this, &TSetupForm::PickSkinEntry);

    SkinDir = Named(new QLineEdit(page), "SkinDir");
    Caption(page, "Label4", QStringLiteral("Каталог видов"), {6, 273}, SkinDir);
    SkinDir->setGeometry(6, 290, 405, 22);
    SetHelpContext(SkinDir, 131,
                   QStringLiteral("Каталог, в котором лежат виды: каталоги, файлы .bmp, .zip и "
                                  ".wsz. Кнопка справа выбирает его."));
    auto* browse = Named(new QToolButton(page), "SkinDirButton");
    browse->setText(QStringLiteral("..."));
    browse->setGeometry(413, 290, 22, 22);
    SetHelpContext(browse, 131, QStringLiteral("Выбор каталога видов."));
    connect(browse, &QToolButton::clicked, this, &TSetupForm::BrowseSkinDir);
    auto* winamp =
        Named(new QCheckBox(QStringLiteral("Привязка к текущему виду Winamp-а (доступно в будущих "
                                           "версиях)"),
                            page),
              "cbSkinLikeWinamp");
    winamp->move(6, 320);
    winamp->adjustSize();
    winamp->setEnabled(false);
    return page;
}

QTableWidget* TSetupForm::AddTextGrid(QWidget* page, const char* name, const QString& keyPrefix,
                                      int helpTopic, const QString& description) {
    constexpr int kRows = static_cast<int>(kQuickTextCount);
    auto* grid = Named(new QTableWidget(kRows, 2, page), name);
    grid->setGeometry(8, 8, 413, kRows * 20 + 4);
    grid->horizontalHeader()->hide();
    grid->verticalHeader()->hide();
    grid->verticalHeader()->setDefaultSectionSize(20);
    grid->setColumnWidth(0, 90);
    grid->horizontalHeader()->setStretchLastSection(true);
    grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid->setItemDelegate(new LiveCellDelegate(grid));
    grid->setEditTriggers(QAbstractItemView::AllEditTriggers);
    for (int row = 0; row < kRows; ++row) {
        auto* key = new QTableWidgetItem(keyPrefix + QString::number(row + 1));
        key->setFlags(Qt::ItemIsEnabled);
        key->setBackground(palette().button());
        grid->setItem(row, 0, key);
        grid->setItem(row, 1, new QTableWidgetItem);
    }
    SetHelpContext(grid, helpTopic, description);
    return grid;
}

QWidget* TSetupForm::BuildMacrosPage() {
    auto* page = new QWidget;
    TitleBar(page, "Label14", QStringLiteral("Настройки пользователя"), {4, 4, kGroupWidth, 16});
    auto* tabs = Named(new QTabWidget(page), "PageControl1");
    tabs->setGeometry(4, 24, kGroupWidth, 317);

    auto* identity = new QWidget;
    const struct {
        QLineEdit** field;
        const char* name;
        const char* caption;
        int helpTopic;
        const char* description;
    } fields[] = {
        {&eFullName, "eFullName", "Полное имя пользователя", 132,
         "Ваше полное имя; его видно только здесь."},
        {&eUserNik, "eUserNik", "Псевдоним пользователя", 133,
         "Имя, которым подписывается каждое посланное письмо."},
        {&eAutoReplyText, "eAutoReplyText", "Текст автоответа", 134,
         "Ответ, который посылается сам, пока включен автоответ."},
        {&eBusyText, "eBusyText", "Текст состояния \"занят\"", 135,
         "Ответ, который посылается сам, пока вы заняты."},
    };
    for (int i = 0; i < 4; ++i) {
        auto* field = Named(new QLineEdit(identity), fields[i].name);
        Caption(identity, "", QString::fromUtf8(fields[i].caption), {10, 12 + i * 50}, field);
        field->setGeometry(10, 29 + i * 50, 405, 22);
        SetHelpContext(field, fields[i].helpTopic, QString::fromUtf8(fields[i].description));
        *fields[i].field = field;
    }
    tabs->addTab(identity, QStringLiteral("Настройки пользователя"));

    auto* macros = new QWidget;
    MacroGrid = AddTextGrid(macros, "MacroGrid", QStringLiteral("Shift+F"), 136,
                            QStringLiteral("Тексты, которые Shift+F1 ... Shift+F5 вставляют в "
                                           "письмо."));
    MacroGrid->setAccessibleName(QStringLiteral("Макросы"));
    tabs->addTab(macros, QStringLiteral("Макросы"));
    auto* replies = new QWidget;
    ReplyGrid = AddTextGrid(replies, "ReplyGrid", QStringLiteral("Ctrl+F"), 137,
                            QStringLiteral("Ответы, которые Ctrl+F1 ... Ctrl+F5 сразу посылают "
                                           "отправителю письма."));
    ReplyGrid->setAccessibleName(QStringLiteral("Быстрый ответ"));
    tabs->addTab(replies, QStringLiteral("Быстрый ответ"));
    return page;
}

}  // namespace lyr
