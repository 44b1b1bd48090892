// SPDX-License-Identifier: GPL-3.0-or-later
#include <QActionGroup>
#include <QApplication>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include "ui/keys/shortcut_code.h"
#include "ui/main_window/main_menus.h"
#include "ui/tray/tray_icon.h"
#include "ui/tray/tray_menu.h"

namespace lyr {
namespace {

// One row of a menu table: the item's name, caption ("-" a separator, a trailing " >" a
// submenu), shortcut code, tag, and whether it has a bitmap.
struct Row {
    const char* name;
    const char* caption;
    int shortCut = 0;
    int tag = 0;
    bool bitmap = false;
};

const Row kTrayMenu[] = {
    {"N1", "Открыть", 0, 0, true},
    {"N5", "-"},
    {"smiState", "Состояние >", 0, 0, true},
    {"smiAutoReply", "Автоответ", 0, 0, true},
    {"N4", "Настройки", 16464, 0, true},
    {"N2", "-"},
    {"N3", "Выход", 0, 0, true},
};
// Auto-reply stands beside "Состояние" in both menus, not in it.
const Row kStateSubmenu[] = {
    {"smiActive", "Активен", 0, 0, true},
    {"smiBusy", "Занят", 0, 1, true},
};
const Row kMainMenu[] = {
    {"N11", "О программе", 0, 0, true},
    {"N9", "-"},
    {"N19", "Состояние >"},
    {"miAutoReply", "Автответ"},
    {"N17", "Быстрый ответ >"},
    {"N15", "-"},
    {"N8", "Настройки...", 16464},
    {"SkinsMenu", "Виды >"},
    {"N6", "-"},
    {"N16", "Спрятать окно", 27},
    {"N10", "Выход"},
};
const Row kMainStateSubmenu[] = {
    {"miActive", "Активен", 0, 0, true},
    {"miBusy", "Занят", 0, 1, true},
};
const Row kQuickReplies[] = {
    {"qr1", "<empty>", 16496, 0}, {"qr2", "<empty>", 16497, 1}, {"qr3", "<empty>", 16498, 2},
    {"qr4", "<empty>", 16499, 3}, {"qr5", "<empty>", 16500, 4},
};
const Row kUserListMenu[] = {
    {"N13", "Добавить пользователя...", 45},
    {"N7", "Обновить список"},
};
const Row kSendTextPopupMenu[] = {
    {"miClear", "Вырезать"},
    {"miCopyTo", "Копировать"},
    {"miPaste", "Вставить"},
    {"miSelectAll", "Выделить все"},
    {"N25", "-"},
    {"N12", "Удалить сообщение ", 16430},
    {"N26", "Экспорт сообщения"},
    {"N23", "-"},
    {"N18", "Вставить макрос >"},
    {"N27", "-"},
    {"N28", "Послать сообщение"},
};
const Row kMacros[] = {
    {"mcr1", "<empty>", 8304, 0}, {"mcr2", "<empty>", 8305, 1}, {"mcr3", "<empty>", 8306, 2},
    {"mcr4", "<empty>", 8307, 3}, {"mcr5", "<empty>", 8308, 4},
};
const Row kRecTextPopupMenu[] = {
    {"MenuItem2", "Копировать"},
    {"MenuItem1", "Выделить все"},
    {"MenuItem5", "-"},
    {"N14", "Удалить сообщение", 16430},
    {"MenuItem6", "Экспорт сообщения"},
    {"miWordWrap", "Перенос по словам"},
    {"N22", "Панель заголовка", 0, 1},
};
const Row kUrlPopupMenu[] = {
    {"N20", "Открыть ссылку"},
    {"N21", "Копировать адрес ссылки"},
};

template <size_t N>
void CompareMenu(const MainWindowMenus& menus, const QMenu* menu, const Row (&rows)[N]) {
    const QList<QAction*> actions = menu->actions();
    QCOMPARE(actions.size(), qsizetype(N));
    for (size_t i = 0; i < N; ++i) {
        const Row& row = rows[i];
        QAction* action = actions[i];
        const QString where = QStringLiteral("%1 of %2").arg(row.name, menu->objectName());
        QVERIFY2(menus.Item(row.name) == action, qPrintable(where));
        QCOMPARE(action->objectName(), QLatin1String(row.name));
        QString caption = QString::fromUtf8(row.caption);
        const bool submenu = caption.endsWith(" >");
        if (submenu) {
            caption.chop(2);
        }
        QVERIFY2((action->menu() != nullptr) == submenu, qPrintable(where));
        if (caption == "-") {
            QVERIFY2(action->isSeparator(), qPrintable(where));
            continue;
        }
        QCOMPARE(action->text(), caption);
        QCOMPARE(KeySequenceToShortCut(action->shortcut()), row.shortCut);
        if (row.shortCut != 0) {
            // Shown as the program spells it, in the owner-drawn menu and the others alike.
            QCOMPARE(action->shortcut().toString(QKeySequence::NativeText),
                     ShortCutToText(row.shortCut));
        }
        QCOMPARE(action->data().toInt(), row.tag);
        QVERIFY2(action->icon().isNull() == !row.bitmap, qPrintable(where));
    }
}

}  // namespace

class MainMenusTest : public QObject {
    Q_OBJECT

private slots:
    void menusHoldTheirItems() {
        QWidget window;
        MainWindowMenus menus(&window);
        CompareMenu(menus, menus.TrayMenu(), kTrayMenu);
        CompareMenu(menus, menus.Item("smiState")->menu(), kStateSubmenu);
        CompareMenu(menus, menus.MainMenu(), kMainMenu);
        CompareMenu(menus, menus.Item("N19")->menu(), kMainStateSubmenu);
        CompareMenu(menus, menus.Item("N17")->menu(), kQuickReplies);
        CompareMenu(menus, menus.UserListMenu(), kUserListMenu);
        CompareMenu(menus, menus.SendTextPopupMenu(), kSendTextPopupMenu);
        CompareMenu(menus, menus.Item("N18")->menu(), kMacros);
        CompareMenu(menus, menus.RecTextPopupMenu(), kRecTextPopupMenu);
        CompareMenu(menus, menus.UrlPopupMenu(), kUrlPopupMenu);
        QCOMPARE(menus.Item("N7")->statusTip(), QStringLiteral("Обновить список пользователей"));
        QCOMPARE(menus.Item("SkinsMenu")->menu(), menus.SkinsMenu());
    }

    void trayMenuIsOwnerDrawnWithItsDefaultItem() {
        QWidget window;
        MainWindowMenus menus(&window);
        QCOMPARE(menus.TrayMenu()->defaultAction(), menus.Item("N1"));
        QVERIFY(qobject_cast<TrayPopupMenu*>(menus.Item("smiState")->menu()) != nullptr);
        QVERIFY(qobject_cast<TrayMenuStyle*>(menus.TrayMenu()->style()) != nullptr);
        QVERIFY(qobject_cast<TrayMenuStyle*>(menus.Item("smiState")->menu()->style()) != nullptr);
        // The other menus leave their drawing to the platform.
        QVERIFY(qobject_cast<TrayMenuStyle*>(menus.MainMenu()->style()) == nullptr);
    }

    void checkMarksAndRadioGroupsAtStart() {
        QWidget window;
        MainWindowMenus menus(&window);
        for (const char* name : {"smiActive", "miActive", "miWordWrap"}) {
            QVERIFY2(menus.Item(name)->isCheckable() && menus.Item(name)->isChecked(), name);
        }
        for (const char* name : {"smiBusy", "miBusy", "smiAutoReply", "miAutoReply"}) {
            QVERIFY2(menus.Item(name)->isCheckable() && !menus.Item(name)->isChecked(), name);
        }
        QActionGroup* group = menus.Item("smiActive")->actionGroup();
        QVERIFY(group != nullptr);
        QCOMPARE(group->objectName(), QStringLiteral("RadioGroup4"));
        QVERIFY(group->isExclusive());
        QCOMPARE(menus.Item("smiBusy")->actionGroup(), group);
        QCOMPARE(group->actions().size(), 2);
        QVERIFY(menus.Item("smiAutoReply")->actionGroup() == nullptr);
        QVERIFY(menus.Item("miActive")->actionGroup() == nullptr);
        // Choosing the other radio item moves the check mark.
        menus.Item("smiBusy")->trigger();
        QVERIFY(menus.Item("smiBusy")->isChecked());
        QVERIFY(!menus.Item("smiActive")->isChecked());
    }

    void itemsReportTheirHandlerWithThemselves() {
        QWidget window;
        MainWindowMenus menus(&window);
        const struct {
            const char* item;
            void (MainWindowMenus::*signal)(QAction*);
        } handlers[] = {
            {"N1", &MainWindowMenus::N1Click},
            {"N3", &MainWindowMenus::N3Click},
            {"N4", &MainWindowMenus::N4Click},
            {"N8", &MainWindowMenus::N4Click},
            {"smiActive", &MainWindowMenus::miActiveClick},
            {"smiBusy", &MainWindowMenus::miActiveClick},
            {"miActive", &MainWindowMenus::miActiveClick},
            {"miBusy", &MainWindowMenus::miActiveClick},
            {"smiAutoReply", &MainWindowMenus::smiAutoReplyClick},
            {"miAutoReply", &MainWindowMenus::smiAutoReplyClick},
            {"N11", &MainWindowMenus::AboutMenuItemClick},
            {"qr3", &MainWindowMenus::qr1Click},
            {"N16", &MainWindowMenus::N16Click},
            {"N10", &MainWindowMenus::CloseMainWindow},
            {"miViewSkins", &MainWindowMenus::ViewSkinsClick},
            {"N13", &MainWindowMenus::N13Click},
            {"N7", &MainWindowMenus::N7Click},
            {"miClear", &MainWindowMenus::miClearClick},
            {"miCopyTo", &MainWindowMenus::miCopyToClick},
            {"MenuItem2", &MainWindowMenus::miCopyToClick},
            {"miPaste", &MainWindowMenus::miPasteClick},
            {"miSelectAll", &MainWindowMenus::miSelectAllClick},
            {"MenuItem1", &MainWindowMenus::miSelectAllClick},
            {"N12", &MainWindowMenus::miDelMsgClick},
            {"N14", &MainWindowMenus::miDelMsgClick},
            {"N26", &MainWindowMenus::ExportMenuItemClick},
            {"MenuItem6", &MainWindowMenus::ExportMenuItemClick},
            {"mcr5", &MainWindowMenus::mcr1Click},
            {"N28", &MainWindowMenus::N28Click},
            {"miWordWrap", &MainWindowMenus::miWordWrapClick},
            {"N22", &MainWindowMenus::N22Click},
            {"N20", &MainWindowMenus::N20Click},
            {"N21", &MainWindowMenus::N21Click},
        };
        for (const auto& [name, signal] : handlers) {
            QSignalSpy spy(&menus, signal);
            menus.Item(name)->trigger();
            QVERIFY2(spy.size() == 1, name);
            QCOMPARE(spy[0][0].value<QAction*>(), menus.Item(name));
        }
        QSignalSpy wrap(&menus, &MainWindowMenus::miWordWrapClick);
        menus.Item("miWordWrap")->trigger();
        // Already inverted when the handler runs; it was unchecked by the trigger above.
        QVERIFY(menus.Item("miWordWrap")->isChecked());
        QCOMPARE(menus.Item("qr3")->data().toInt(), 2);
    }

    void refreshMenusCaptionsQuickRepliesAndMacros_data() {
        QTest::addColumn<QStringList>("replies");
        QTest::addColumn<QStringList>("macros");
        QTest::newRow("no lines") << QStringList() << QStringList();
        QTest::newRow("two lines") << QStringList{"Да", "Нет"} << QStringList{"С уважением", ""};
        QTest::newRow("five lines")
            << QStringList{"1", "2", "3", "4", "5"} << QStringList{"a", "b", "c", "d", "e"};
        QTest::newRow("seven lines") << QStringList{"1", "2", "3", "4", "5", "6", "7"}
                                     << QStringList{"a", "b", "c", "d", "e", "f", "g"};
    }

    void refreshMenusCaptionsQuickRepliesAndMacros() {
        QFETCH(QStringList, replies);
        QFETCH(QStringList, macros);
        QWidget window;
        MainWindowMenus menus(&window);
        TrayIcon tray;
        menus.RefreshMenus(tray, true, replies, macros);
        for (int i = 0; i < 5; ++i) {
            const QString reply = i < replies.size() ? replies[i] : QStringLiteral("<empty>");
            const QString macro = i < macros.size() ? macros[i] : QStringLiteral("<empty>");
            QCOMPARE(menus.Item(QStringLiteral("qr%1").arg(i + 1))->text(), reply);
            QCOMPARE(menus.Item(QStringLiteral("mcr%1").arg(i + 1))->text(), macro);
        }
        // Shorter lists afterwards bring "<empty>" back.
        menus.RefreshMenus(tray, true, {}, {});
        QCOMPARE(menus.Item("qr1")->text(), QStringLiteral("<empty>"));
        QCOMPARE(menus.Item("mcr5")->text(), QStringLiteral("<empty>"));
    }

    void refreshMenusShowsTheTrayIconExactlyWithUseSysIcon() {
        QWidget window;
        MainWindowMenus menus(&window);
        TrayIcon tray;
        menus.RefreshMenus(tray, true, {}, {});
        QVERIFY(tray.Active());
        menus.RefreshMenus(tray, false, {}, {});
        QVERIFY(!tray.Active());
    }

    void quickTextCaptionsShowAmpersandsAsTyped() {
        QWidget window;
        MainWindowMenus menus(&window);
        TrayIcon tray;
        menus.RefreshMenus(tray, false, {"Tom & Jerry"}, {"&x"});
        QCOMPARE(menus.Item("qr1")->text(), QStringLiteral("Tom && Jerry"));
        QCOMPARE(menus.Item("mcr1")->text(), QStringLiteral("&&x"));
    }

    void skinsMenuIsBuiltAtTheFirstOpeningOnly() {
        QWidget window;
        MainWindowMenus menus(&window);
        int asked = 0;
        SkinsListState skins{{"<default>", "BLUE", "green.wsz"}, 1};
        menus.SetSkinsListSource([&] {
            ++asked;
            return skins;
        });
        // Before the first opening only the view item is there.
        QCOMPARE(menus.SkinsMenu()->actions().size(), 1);
        QCOMPARE(menus.SkinsMenu()->actions()[0]->text(), QStringLiteral("Просмотр видов..."));
        QCOMPARE(KeySequenceToShortCut(menus.SkinsMenu()->actions()[0]->shortcut()),
                 TextToShortCut("Alt+S"));
        QVERIFY(menus.SkinsMenuPending());

        emit menus.MainMenu()->aboutToShow();
        QCOMPARE(asked, 1);
        QVERIFY(!menus.SkinsMenuPending());
        QList<QAction*> items = menus.SkinsMenu()->actions();
        QCOMPARE(items.size(), 5);
        QCOMPARE(items[0]->text(), QStringLiteral("Просмотр видов..."));
        QVERIFY(items[1]->isSeparator());
        QActionGroup* group = items[2]->actionGroup();
        QVERIFY(group != nullptr && group->isExclusive());
        QCOMPARE(group->objectName(), QStringLiteral("RadioGroup1"));
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(items[2 + i]->text(), skins.entries[i]);
            QCOMPARE(items[2 + i]->data().toInt(), i);
            QCOMPARE(items[2 + i]->isChecked(), i == 1);
            QCOMPARE(items[2 + i]->actionGroup(), group);
        }

        // Later openings keep what was built, even though the list changed.
        skins = {{"<default>", "RED"}, 0};
        emit menus.MainMenu()->aboutToShow();
        QCOMPARE(asked, 1);
        QCOMPARE(menus.SkinsMenu()->actions().size(), 5);

        // Until the settings dialog asks for a rebuild.
        menus.BuildSkinsMenu();
        QCOMPARE(asked, 2);
        items = menus.SkinsMenu()->actions();
        QCOMPARE(items.size(), 4);
        QCOMPARE(items[3]->text(), QStringLiteral("RED"));
        QVERIFY(items[2]->isChecked());
        QVERIFY(!items[3]->isChecked());
        // A rebuild to fewer entries leaves nothing of the old ones.
        menus.BuildSkinsMenu(SkinsListState{});
        QCOMPARE(menus.SkinsMenu()->actions().size(), 2);
    }

    void skinItemsReportTheirTagChecked() {
        QWidget window;
        MainWindowMenus menus(&window);
        menus.BuildSkinsMenu({{"<default>", "a.bmp", "b.zip"}, 0});
        QSignalSpy spy(&menus, &MainWindowMenus::SkinsMenuItemClick);
        QSignalSpy view(&menus, &MainWindowMenus::ViewSkinsClick);
        QAction* second = menus.SkinsMenu()->actions()[4];
        second->trigger();
        QCOMPARE(spy.size(), 1);
        QCOMPARE(spy[0][0].value<QAction*>(), second);
        QCOMPARE(second->data().toInt(), 2);
        QVERIFY(second->isChecked());
        QVERIFY(!menus.SkinsMenu()->actions()[2]->isChecked());
        menus.SkinsMenu()->actions()[0]->trigger();
        QCOMPARE(view.size(), 1);
    }

    void installedShortcutsWorkWhereTheFocusIs() {
        QWidget window;
        auto* sendText = new QLineEdit(&window);
        auto* other = new QLineEdit(&window);
        MainWindowMenus menus(&window);
        MainWindowMenus::InstallShortcuts(menus.MainMenu(), &window);
        MainWindowMenus::InstallShortcuts(menus.SendTextPopupMenu(), sendText);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));

        QSignalSpy settings(&menus, &MainWindowMenus::N4Click);
        QSignalSpy quickReply(&menus, &MainWindowMenus::qr1Click);
        QSignalSpy macro(&menus, &MainWindowMenus::mcr1Click);
        QSignalSpy viewSkins(&menus, &MainWindowMenus::ViewSkinsClick);
        other->setFocus();
        QTest::keyClick(other, Qt::Key_P, Qt::ControlModifier);
        QCOMPARE(settings.size(), 1);
        QCOMPARE(settings[0][0].value<QAction*>(), menus.Item("N8"));
        QTest::keyClick(other, Qt::Key_F3, Qt::ControlModifier);
        QCOMPARE(quickReply.size(), 1);
        QCOMPARE(quickReply[0][0].value<QAction*>(), menus.Item("qr3"));
        // The entry pane's macros only while it has the focus.
        QTest::keyClick(other, Qt::Key_F2, Qt::ShiftModifier);
        QCOMPARE(macro.size(), 0);
        sendText->setFocus();
        QTest::keyClick(sendText, Qt::Key_F2, Qt::ShiftModifier);
        QCOMPARE(macro.size(), 1);
        QCOMPARE(macro[0][0].value<QAction*>(), menus.Item("mcr2"));
        // The view item survives rebuilds of the skins menu, shortcut included.
        menus.BuildSkinsMenu({{"x"}, 0});
        QTest::keyClick(other, Qt::Key_S, Qt::AltModifier);
        QCOMPARE(viewSkins.size(), 1);
    }
};

}  // namespace lyr

QTEST_MAIN(lyr::MainMenusTest)
#include "main_menus_test.moc"
