// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main_window/main_menus.h"

#include <QApplication>

#include "app/virtual_key_codes.h"
#include "ui/keys/shortcut_code.h"
#include "ui/tray/artwork.h"
#include "ui/tray/tray_icon.h"
#include "ui/tray/tray_menu_items.h"

namespace lyr {
namespace {

constexpr int kQuickTextItems = 5;
constexpr int kCtrlF1 = kShortCutCtrl | kVkF1;
constexpr int kShiftF1 = kShortCutShift | kVkF1;
constexpr int kCtrlP = kShortCutCtrl | 'P';
constexpr int kCtrlDel = kShortCutCtrl | kVkDelete;

const QString kEmptyCaption = QStringLiteral("<empty>");

// A menu shows "&" as the mark of a mnemonic; texts from the user's files must show as typed.
QString Literal(const QString& text) {
    QString escaped = text;
    return escaped.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

void SetChecked(QAction* item, bool checked) {
    item->setCheckable(true);
    item->setChecked(checked);
}

// A window behind a modal dialog takes no keys, but Qt still matches its shortcuts once a click
// on it has given it the focus: Escape would hide the window and leave its dialog open. They
// wait until no modal window is open.
class ShortcutsOffBehindModal : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Shortcut && QApplication::activeModalWidget() != nullptr) {
            return true;
        }
        return QObject::eventFilter(watched, event);
    }
};

void InstallShortcutsOf(const QList<QAction*>& actions, QWidget* scope, QObject* filter) {
    for (QAction* action : actions) {
        if (action->menu() != nullptr) {
            InstallShortcutsOf(action->menu()->actions(), scope, filter);
        }
        if (!action->shortcut().isEmpty()) {
            action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
            action->installEventFilter(filter);
            scope->addAction(action);
        }
    }
}

}  // namespace

MainWindowMenus::MainWindowMenus(QWidget* window)
    : QObject(window),
      window_(window),
      trayMenu_(new TrayPopupMenu(window)),
      mainMenu_(new QMenu(window)),
      userListMenu_(new QMenu(window)),
      sendTextPopupMenu_(new QMenu(window)),
      recTextPopupMenu_(new QMenu(window)),
      urlPopupMenu_(new QMenu(window)) {
    trayMenu_->setObjectName(QStringLiteral("TrayMenu"));
    mainMenu_->setObjectName(QStringLiteral("MainMenu"));
    userListMenu_->setObjectName(QStringLiteral("UserListMenu"));
    sendTextPopupMenu_->setObjectName(QStringLiteral("SendTextPopupMenu"));
    recTextPopupMenu_->setObjectName(QStringLiteral("RecTextPopupMenu"));
    urlPopupMenu_->setObjectName(QStringLiteral("UrlPopupMenu"));
    BuildTrayMenu();
    BuildMainMenu();
    BuildUserListMenu();
    BuildSendTextPopupMenu();
    BuildRecTextPopupMenu();
    BuildUrlPopupMenu();
}

QAction* MainWindowMenus::Item(const QString& name) const {
    return items_.value(name);
}

QAction* MainWindowMenus::AddItem(QMenu* menu, const QString& name, const QString& caption,
                                  Handler handler, int shortCut, int tag) {
    QAction* item = caption == QLatin1String("-") ? menu->addSeparator() : menu->addAction(caption);
    item->setObjectName(name);
    item->setData(tag);
    if (shortCut != 0) {
        item->setShortcut(ShortCutToKeySequence(shortCut));
    }
    if (handler != nullptr) {
        Connect(item, handler);
    }
    items_.insert(name, item);
    return item;
}

void MainWindowMenus::Connect(QAction* item, Handler handler) {
    connect(item, &QAction::triggered, this, [this, item, handler] { (this->*handler)(item); });
}

QMenu* MainWindowMenus::AddSubmenu(QMenu* menu, const QString& name, const QString& caption) {
    QMenu* submenu = menu->addMenu(caption);
    submenu->setObjectName(name);
    submenu->menuAction()->setObjectName(name);
    submenu->menuAction()->setData(0);
    items_.insert(name, submenu->menuAction());
    return submenu;
}

void MainWindowMenus::BuildTrayMenu() {
    AddTrayMenuItems(*trayMenu_);
    for (QAction* item : trayMenu_->actions()) {
        items_.insert(item->objectName(), item);
        if (item->menu() != nullptr) {
            for (QAction* inner : item->menu()->actions())
                items_.insert(inner->objectName(), inner);
        }
    }
    Connect(Item("N1"), &MainWindowMenus::N1Click);
    Connect(Item("smiActive"), &MainWindowMenus::miActiveClick);
    Connect(Item("smiBusy"), &MainWindowMenus::miActiveClick);
    Connect(Item("smiAutoReply"), &MainWindowMenus::smiAutoReplyClick);
    Connect(Item("N4"), &MainWindowMenus::N4Click);
    Connect(Item("N3"), &MainWindowMenus::N3Click);
}

void MainWindowMenus::BuildMainMenu() {
    AddItem(mainMenu_, "N11", "О программе", &MainWindowMenus::AboutMenuItemClick)
        ->setIcon(MenuBitmapIcon(MenuBitmap::About));
    AddItem(mainMenu_, "N9", "-", nullptr);
    QMenu* state = AddSubmenu(mainMenu_, "N19", "Состояние");
    QAction* miActive = AddItem(state, "miActive", "Активен", &MainWindowMenus::miActiveClick);
    miActive->setIcon(MenuBitmapIcon(MenuBitmap::Active));
    SetChecked(miActive, true);
    QAction* miBusy = AddItem(state, "miBusy", "Занят", &MainWindowMenus::miActiveClick, 0, 1);
    miBusy->setIcon(MenuBitmapIcon(MenuBitmap::Busy));
    SetChecked(miBusy, false);
    SetChecked(AddItem(mainMenu_, "miAutoReply", "Автответ", &MainWindowMenus::smiAutoReplyClick),
               false);
    QMenu* quickReplies = AddSubmenu(mainMenu_, "N17", "Быстрый ответ");
    for (int i = 0; i < kQuickTextItems; ++i) {
        AddItem(quickReplies, QStringLiteral("qr%1").arg(i + 1), kEmptyCaption,
                &MainWindowMenus::qr1Click, kCtrlF1 + i, i);
    }
    AddItem(mainMenu_, "N15", "-", nullptr);
    AddItem(mainMenu_, "N8", "Настройки...", &MainWindowMenus::N4Click, kCtrlP);
    skinsMenu_ = AddSubmenu(mainMenu_, "SkinsMenu", "Виды");
    viewSkins_ = AddItem(skinsMenu_, "miViewSkins", "Просмотр видов...",
                         &MainWindowMenus::ViewSkinsClick, TextToShortCut("Alt+S"));
    AddItem(mainMenu_, "N6", "-", nullptr);
    AddItem(mainMenu_, "N16", "Спрятать окно", &MainWindowMenus::N16Click, kVkEscape);
    AddItem(mainMenu_, "N10", "Выход", &MainWindowMenus::CloseMainWindow);
    connect(mainMenu_, &QMenu::aboutToShow, this, &MainWindowMenus::MainMenuPopup);
}

void MainWindowMenus::BuildUserListMenu() {
    AddItem(userListMenu_, "N13", "Добавить пользователя...", &MainWindowMenus::N13Click,
            kVkInsert);
    QAction* N7 = AddItem(userListMenu_, "N7", "Обновить список", &MainWindowMenus::N7Click);
    N7->setStatusTip(QStringLiteral("Обновить список пользователей"));
    N7->setToolTip(N7->statusTip());
}

void MainWindowMenus::BuildSendTextPopupMenu() {
    QMenu* menu = sendTextPopupMenu_;
    AddItem(menu, "miClear", "Вырезать", &MainWindowMenus::miClearClick);
    AddItem(menu, "miCopyTo", "Копировать", &MainWindowMenus::miCopyToClick);
    AddItem(menu, "miPaste", "Вставить", &MainWindowMenus::miPasteClick);
    AddItem(menu, "miSelectAll", "Выделить все", &MainWindowMenus::miSelectAllClick);
    AddItem(menu, "N25", "-", nullptr);
    AddItem(menu, "N12", "Удалить сообщение ", &MainWindowMenus::miDelMsgClick, kCtrlDel);
    AddItem(menu, "N26", "Экспорт сообщения", &MainWindowMenus::ExportMenuItemClick);
    AddItem(menu, "N23", "-", nullptr);
    QMenu* macros = AddSubmenu(menu, "N18", "Вставить макрос");
    for (int i = 0; i < kQuickTextItems; ++i) {
        AddItem(macros, QStringLiteral("mcr%1").arg(i + 1), kEmptyCaption,
                &MainWindowMenus::mcr1Click, kShiftF1 + i, i);
    }
    AddItem(menu, "N27", "-", nullptr);
    AddItem(menu, "N28", "Послать сообщение", &MainWindowMenus::N28Click);
}

void MainWindowMenus::BuildRecTextPopupMenu() {
    QMenu* menu = recTextPopupMenu_;
    AddItem(menu, "MenuItem2", "Копировать", &MainWindowMenus::miCopyToClick);
    AddItem(menu, "MenuItem1", "Выделить все", &MainWindowMenus::miSelectAllClick);
    AddItem(menu, "MenuItem5", "-", nullptr);
    AddItem(menu, "N14", "Удалить сообщение", &MainWindowMenus::miDelMsgClick, kCtrlDel);
    AddItem(menu, "MenuItem6", "Экспорт сообщения", &MainWindowMenus::ExportMenuItemClick);
    SetChecked(AddItem(menu, "miWordWrap", "Перенос по словам", &MainWindowMenus::miWordWrapClick),
               true);
    AddItem(menu, "N22", "Панель заголовка", &MainWindowMenus::N22Click, 0, 1);
}

void MainWindowMenus::BuildUrlPopupMenu() {
    AddItem(urlPopupMenu_, "N20", "Открыть ссылку", &MainWindowMenus::N20Click);
    AddItem(urlPopupMenu_, "N21", "Копировать адрес ссылки", &MainWindowMenus::N21Click);
}

void MainWindowMenus::RefreshMenus(TrayIcon& tray, bool UseSysIcon, const QStringList& ReplyList,
                                   const QStringList& MacroList) {
    tray.SetActive(UseSysIcon);
    for (int i = 0; i < kQuickTextItems; ++i) {
        Item(QStringLiteral("qr%1").arg(i + 1))
            ->setText(i < ReplyList.size() ? Literal(ReplyList[i]) : kEmptyCaption);
        Item(QStringLiteral("mcr%1").arg(i + 1))
            ->setText(i < MacroList.size() ? Literal(MacroList[i]) : kEmptyCaption);
    }
}

void MainWindowMenus::SetSkinsListSource(std::function<SkinsListState()> source) {
    skinsSource_ = std::move(source);
}

void MainWindowMenus::BuildSkinsMenu() {
    BuildSkinsMenu(skinsSource_ ? skinsSource_() : SkinsListState{});
}

void MainWindowMenus::BuildSkinsMenu(const SkinsListState& skins) {
    // The view item outlives the rebuild, so a shortcut installed for it keeps working.
    const QList<QAction*> old = skinsMenu_->actions();
    for (auto item = old.rbegin(); item != old.rend(); ++item) {
        skinsMenu_->removeAction(*item);
        if (*item != viewSkins_) {
            delete *item;
        }
    }
    delete skinsGroup_;
    skinsMenu_->addAction(viewSkins_);
    skinsMenu_->addSeparator();
    skinsGroup_ = new QActionGroup(skinsMenu_);
    skinsGroup_->setObjectName(QStringLiteral("RadioGroup1"));
    for (int i = 0; i < skins.entries.size(); ++i) {
        QAction* item = skinsMenu_->addAction(Literal(skins.entries[i]));
        item->setData(i);
        item->setActionGroup(skinsGroup_);
        SetChecked(item, i == skins.selected);
        connect(item, &QAction::triggered, this, [this, item] {
            item->setChecked(true);
            emit SkinsMenuItemClick(item);
        });
    }
}

void MainWindowMenus::MainMenuPopup() {
    if (skinsMenuPending_) {
        BuildSkinsMenu();
        skinsMenuPending_ = false;
    }
}

void MainWindowMenus::InstallShortcuts(QMenu* menu, QWidget* scope) {
    InstallShortcutsOf(menu->actions(), scope, new ShortcutsOffBehindModal(scope));
}

}  // namespace lyr
