// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAction>
#include <QActionGroup>
#include <QHash>
#include <QMenu>
#include <QObject>
#include <QStringList>

#include <functional>

#include "ui/tray/tray_menu.h"

namespace lyr {

class TrayIcon;

// The settings dialog's skin list as the "Виды" menu repeats it.
struct SkinsListState {
    QStringList entries;
    int selected = -1;  // -1: none
};

// Every menu of the main window, with the items, captions, shortcuts, tags, bitmaps, radio
// groups and check marks of the form resource. Each item is found by its resource name
// (Item("N4"), Item("qr3"), Item("smiState") for a submenu); its tag is its data(). Choosing
// an item emits the signal of its handler with the item as Sender; the main window connects
// them. Check marks change as Qt changes them (a checkable item inverts its mark when
// chosen, a radio item checks itself); the handlers set them as they must be afterwards.
class MainWindowMenus : public QObject {
    Q_OBJECT

public:
    // The menus are children of `window`, so they close with it.
    explicit MainWindowMenus(QWidget* window);

    TrayPopupMenu* TrayMenu() const { return trayMenu_; }
    QMenu* MainMenu() const { return mainMenu_; }
    QMenu* SkinsMenu() const { return skinsMenu_; }
    QMenu* UserListMenu() const { return userListMenu_; }
    QMenu* SendTextPopupMenu() const { return sendTextPopupMenu_; }
    QMenu* RecTextPopupMenu() const { return recTextPopupMenu_; }
    QMenu* UrlPopupMenu() const { return urlPopupMenu_; }

    // The item of that resource name, or nullptr.
    QAction* Item(const QString& name) const;

    // The tray icon present exactly when UseSysIcon is on; qr1..qr5 and mcr1..mcr5 captioned
    // with the first five lines of the lists, "<empty>" where a list is shorter. A caption
    // shows its line as it stands ("&" included).
    void RefreshMenus(TrayIcon& tray, bool UseSysIcon, const QStringList& ReplyList,
                      const QStringList& MacroList);

    // Whether the "Виды" submenu is rebuilt when MainMenu next opens; true at first.
    bool SkinsMenuPending() const { return skinsMenuPending_; }
    // Where BuildSkinsMenu takes the skin list from (the settings dialog); without one the
    // list is empty.
    void SetSkinsListSource(std::function<SkinsListState()> source);
    // Rebuilds "Виды": "Просмотр видов..." (Alt+S), a separator, then one radio item per
    // entry (tag = its index), the selected one checked.
    void BuildSkinsMenu();
    void BuildSkinsMenu(const SkinsListState& skins);

    // Makes the shortcuts of `menu` and its submenus work while the keyboard focus is in
    // `scope` or inside it, as the shortcuts of a control's context menu do.
    static void InstallShortcuts(QMenu* menu, QWidget* scope);

signals:
    // TrayMenu.
    void N1Click(QAction* Sender);
    void N3Click(QAction* Sender);
    // Both "Настройки" items.
    void N4Click(QAction* Sender);
    // smiActive, smiBusy, miActive, miBusy (tag 0 Active, 1 Busy).
    void miActiveClick(QAction* Sender);
    // smiAutoReply, miAutoReply.
    void smiAutoReplyClick(QAction* Sender);
    // MainMenu.
    void AboutMenuItemClick(QAction* Sender);
    void qr1Click(QAction* Sender);  // qr1..qr5, tags 0..4
    void N16Click(QAction* Sender);
    void CloseMainWindow(QAction* Sender);
    void ViewSkinsClick(QAction* Sender);
    // A skin item (already checked); its tag is the skin list entry's index.
    void SkinsMenuItemClick(QAction* Sender);
    // UserListMenu.
    void N13Click(QAction* Sender);
    void N7Click(QAction* Sender);
    // SendTextPopupMenu and RecTextPopupMenu.
    void miClearClick(QAction* Sender);
    void miCopyToClick(QAction* Sender);
    void miPasteClick(QAction* Sender);
    void miSelectAllClick(QAction* Sender);
    void miDelMsgClick(QAction* Sender);
    void ExportMenuItemClick(QAction* Sender);
    void mcr1Click(QAction* Sender);  // mcr1..mcr5, tags 0..4
    void N28Click(QAction* Sender);
    // The check mark of miWordWrap is already inverted: word wrap and WordWrap follow it.
    void miWordWrapClick(QAction* Sender);
    void N22Click(QAction* Sender);
    // UrlPopupMenu.
    void N20Click(QAction* Sender);
    void N21Click(QAction* Sender);

private:
    using Handler = void (MainWindowMenus::*)(QAction*);

    QAction* AddItem(QMenu* menu, const QString& name, const QString& caption, Handler handler,
                     int shortCut = 0, int tag = 0);
    QMenu* AddSubmenu(QMenu* menu, const QString& name, const QString& caption);
    void Connect(QAction* item, Handler handler);
    void BuildTrayMenu();
    void BuildMainMenu();
    void BuildUserListMenu();
    void BuildSendTextPopupMenu();
    void BuildRecTextPopupMenu();
    void BuildUrlPopupMenu();
    void MainMenuPopup();

    QWidget* window_;
    QHash<QString, QAction*> items_;
    TrayPopupMenu* trayMenu_;
    QMenu* mainMenu_;
    QMenu* skinsMenu_ = nullptr;
    QMenu* userListMenu_;
    QMenu* sendTextPopupMenu_;
    QMenu* recTextPopupMenu_;
    QMenu* urlPopupMenu_;
    QAction* viewSkins_ = nullptr;
    QActionGroup* skinsGroup_ = nullptr;
    bool skinsMenuPending_ = true;
    std::function<SkinsListState()> skinsSource_;
};

}  // namespace lyr
