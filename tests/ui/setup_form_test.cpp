// SPDX-License-Identifier: GPL-3.0-or-later
#include <QButtonGroup>
#include <QCheckBox>
#include <QFontDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <fstream>
#include <sstream>

#include "platform/codepage.h"
#include "ui/setup/colour_box.h"
#include "ui/setup/context_help.h"
#include "ui/setup/icons_grid.h"
#include "ui/setup/setup_pictures.h"
#include "ui/setup_fixtures.h"

namespace lyr {
namespace {

template <class Widget = QWidget>
Widget* Control(const QWidget& form, const char* name) {
    auto* widget = form.findChild<Widget*>(QString::fromLatin1(name));
    if (!widget) {
        qFatal("no control %s", name);
    }
    return widget;
}

std::string FileText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void MakeSkins(const QString& directory) {
    QDir(directory).mkpath(QStringLiteral("classic"));
    QDir(directory).mkpath(QStringLiteral("BASE"));
    for (const char* name : {"Base.wsz", "amp.zip", "zebra.BMP", "notes.txt", "lyrmessenger"}) {
        QFile file(directory + "/" + QString::fromLatin1(name));
        file.open(QIODevice::WriteOnly);
    }
}

// Ends the modal dialog that opens next: `choose` runs on it first; it is accepted when that
// returns true, else cancelled.
void AnswerNextDialog(const std::function<bool(QDialog&)>& choose) {
    QTimer::singleShot(0, [choose] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog) {
            qFatal("no modal dialog open");
        }
        choose(*dialog) ? dialog->accept() : dialog->reject();
    });
}

}  // namespace

class SetupFormTest : public QObject {
    Q_OBJECT

private slots:
    void captionPagesAndColumn() {
        test::SetupFixture fixture;
        test::RecordingSetupHost host(&fixture.Options());
        auto form = fixture.MakeForm(host);
        QCOMPARE(form->windowTitle(), QStringLiteral("Настройка Zendry Messenger"));
        QCOMPARE(form->size(), QSize(526, 374));
        QVERIFY(form->windowFlags() & Qt::WindowContextHelpButtonHint);
        const struct {
            const char* name;
            const char* caption;
            int tag;
        } buttons[] = {{"btnSetup", "Настройки", 0},
                       {"RoSpeedButton4", "Интерфейс", 1},
                       {"RoSpeedButton1", "Виды", 2},
                       {"RoSpeedButton2", "Макросы", 3}};
        for (const auto& expected : buttons) {
            auto* button = Control<QToolButton>(*form, expected.name);
            QCOMPARE(button->text(), QString::fromUtf8(expected.caption));
            QCOMPARE(button->property("tag").toInt(), expected.tag);
            QCOMPARE(button->geometry(), QRect(0, expected.tag * 57, 81, 57));
            QVERIFY(!button->icon().isNull());
            QCOMPARE(button->isChecked(), expected.tag == 0);
        }
        QCOMPARE(form->CurrentPage(), 0);
        auto* ok = Control<QToolButton>(*form, "SpeedButton1");
        QCOMPARE(ok->text(), QStringLiteral("OK"));
        QCOMPARE(ok->geometry(), QRect(444, 348, 72, 22));
        // A page button shows its page and is the one down.
        Control<QToolButton>(*form, "RoSpeedButton1")->click();
        QCOMPARE(form->CurrentPage(), 2);
        QVERIFY(!Control<QToolButton>(*form, "btnSetup")->isChecked());
        form->SwitchToPage(TSetupForm::kMacrosPage);
        QVERIFY(Control<QToolButton>(*form, "RoSpeedButton2")->isChecked());
    }

    void everyControlHasItsCaptionAndHelpTopic() {
        test::SetupFixture fixture;
        test::RecordingSetupHost host(&fixture.Options());
        auto form = fixture.MakeForm(host);
        const struct {
            const char* name;
            const char* caption;  // nullptr: no caption of its own
            int topic;
        } controls[] = {
            {"cbRunOnWinStart", "Запускать программу при старте Windows", 101},
            {"StopNTServiceBox", "Останавливать службу сообщений Windows NT", 102},
            {"HideOnSend", "Прятать окно после посылки письма", 103},
            {"cbMinOnStart", "Прятать окно при старте программы", 104},
            {"SaveUserBox", "Сохранять базы писем", 105},
            {"ClearOnSend", "Очищать окно после посылки письма", 106},
            {"CheckAnotherBox", "Сообщить, если запущен другой popup клиент", 107},
            {"cbStartupRescan", "Обновить список пользователей при старте", 108},
            {"cbAutoRescan", "Обновлять автоматически каждые", 109},
            {"eRescanTime", nullptr, 110},
            {"eShortCut", nullptr, 111},
            {"Button1", "Очистить", 112},
            {"FontButton", "Шрифт", 113},
            {"USIBox", "Иконка в Systray", 120},
            {"bAnimate", "Анимация при появлении нового письма", 121},
            {"BOSBox", "Звуковой сигнал при передаче письма", 122},
            {"BORBox", "Звуковой сигнал при приеме нового письма", 123},
            {"CheckBox1", "Показать окно уведомления", 124},
            {"RB1", "Стандартное окно Windows", 125},
            {"RB2", "Окно программы", 126},
            {"RB3", "Окно пользователя", 127},
            {"RB4", "Tool-Tip для Windows 2000 (доступно в следующих версиях)", 127},
            {"UserWndColor", nullptr, 128},
            {"IconsGrid", nullptr, 129},
            {"SkinsList", nullptr, 130},
            {"SkinDir", nullptr, 131},
            {"eFullName", nullptr, 132},
            {"eUserNik", nullptr, 133},
            {"eAutoReplyText", nullptr, 134},
            {"eBusyText", nullptr, 135},
            {"MacroGrid", nullptr, 136},
            {"ReplyGrid", nullptr, 137},
            {"DesktopNotifyBox", "Уведомления рабочего стола", 138},
        };
        for (const auto& expected : controls) {
            QWidget* control = Control(*form, expected.name);
            QCOMPARE(HelpContext(control), expected.topic);
            QVERIFY2(control->whatsThis().contains(
                         QStringLiteral("Раздел справки %1").arg(expected.topic)),
                     expected.name);
            if (expected.caption) {
                QCOMPARE(Control<QAbstractButton>(*form, expected.name)->text(),
                         QString::fromUtf8(expected.caption));
            }
        }
        const struct {
            const char* name;
            const char* text;
        } labels[] = {
            {"Label2", "Общие настройки"},
            {"Label13", "Список пользователей"},
            {"Label8", "минут"},
            {"Label15", "Горячая клавиша открытия окна"},
            {"Label1", "Настройка интерфейса "},
            {"Label5", "Звуковые сигналы"},
            {"Label6", "Цвет окна пользователя"},
            {"Label7", "  Иконка окна пользователя"},
            {"Label3", "Выбор вида"},
            {"Label4", "Каталог видов"},
            {"Label14", "Настройки пользователя"},
        };
        for (const auto& expected : labels) {
            QCOMPARE(Control<QLabel>(*form, expected.name)->text(),
                     QString::fromUtf8(expected.text));
        }
        QCOMPARE(Control<QGroupBox>(*form, "GroupBox1")->title(),
                 QStringLiteral(" Параметры окна уведомления "));
        auto* winamp = Control<QCheckBox>(*form, "cbSkinLikeWinamp");
        QCOMPARE(winamp->text(), QStringLiteral("Привязка к текущему виду Winamp-а (доступно в "
                                                "будущих версиях)"));
        QVERIFY(!winamp->isEnabled());
        auto* tabs = Control<QTabWidget>(*form, "PageControl1");
        QCOMPARE(tabs->count(), 3);
        QCOMPARE(tabs->tabText(0), QStringLiteral("Настройки пользователя"));
        QCOMPARE(tabs->tabText(1), QStringLiteral("Макросы"));
        QCOMPARE(tabs->tabText(2), QStringLiteral("Быстрый ответ"));
        QCOMPARE(Control(*form, "eShortCut")->width(), 105);
        QVERIFY(Control<QLineEdit>(*form, "eShortCut")->isReadOnly());
        QCOMPARE(Control(*form, "SkinsList")->size(), QSize(429, 241));
        QCOMPARE(Control(*form, "UserWindowPreview")->size(), QSize(100, 50));
    }

    void checkBoxesWriteTheirSettingsAtOnce() {
        test::SetupFixture fixture;
        test::RecordingSetupHost host(&fixture.Options());
        auto form = fixture.MakeForm(host);
        const char* boxes[][2] = {
            {"StopNTServiceBox", "NTService"},
            {"HideOnSend", "HideASend"},
            {"cbMinOnStart", "MinOnStart"},
            {"SaveUserBox", "SaveUserBoxes"},
            {"ClearOnSend", "ClearMsg"},
            {"CheckAnotherBox", "CheckAnother"},
            {"cbStartupRescan", "StartupRescan"},
            {"USIBox", "UseSysIcon"},
            {"bAnimate", "AnimateRec"},
            {"BOSBox", "SendBeep"},
            {"BORBox", "RecBeep"},
            {"CheckBox1", "ShowMsg"},
            {"DesktopNotifyBox", "DesktopNotify"},
            {"cbAutoRescan", "AutoRescan"},
        };
        for (const auto& [name, value] : boxes) {
            auto* box = Control<QCheckBox>(*form, name);
            const bool before = fixture.Key().ReadBool(value);
            QCOMPARE(box->isChecked(), before);
            box->click();
            QVERIFY2(fixture.Key().ReadBool(value) == !before, name);
            box->click();
            QVERIFY2(fixture.Key().ReadBool(value) == before, name);
        }
        QVERIFY(!host.Calls.contains(QStringLiteral("UpdateHotKey")));
    }

    void fillingDoesNotRewriteSettingsThatAreAlreadyThere() {
        test::SetupFixture fixture;
        QFile settings(QString::fromStdString(fixture.Key().File().string()));
        QVERIFY(settings.open(QIODevice::ReadOnly));
        const QByteArray original = settings.readAll();
        settings.close();
        test::RecordingSetupHost host(&fixture.Options());
        auto form = fixture.MakeForm(host);
        QVERIFY(settings.open(QIODevice::ReadOnly));
        QCOMPARE(settings.readAll(), original);
    }

    void runOnWinStartEntryIsWrittenAnewAndFollowsTheBox() {
        test::SetupFixture fixture({}, true);
        QVERIFY(fixture.Options().RunOnWinStart());
        test::RecordingSetupHost host(&fixture.Options());
        auto form = fixture.MakeForm(host);
        // At every start the entry points at the program that runs.
        const std::string program = fixture.Files().executable.string();
        QVERIFY(FileText(fixture.StartupEntry()).find("\nExec=" + program + "\n") !=
                std::string::npos);
        auto* box = Control<QCheckBox>(*form, "cbRunOnWinStart");
        QVERIFY(box->isChecked());
        box->click();
        QVERIFY(!std::filesystem::exists(fixture.StartupEntry()));
        box->click();
        QVERIFY(std::filesystem::exists(fixture.StartupEntry()));
        QVERIFY(host.Calls.filter(QStringLiteral("Error")).isEmpty());
    }

    void runOnWinStartOffLeavesTheAutostartFolderAlone() {
        test::SetupFixture fixture;
        QVERIFY(!fixture.Options().RunOnWinStart());
        test::RecordingSetupHost host(&fixture.Options());
        auto form = fixture.MakeForm(host);
        QVERIFY(!std::filesystem::exists(fixture.StartupEntry()));
        QVERIFY(!Control<QCheckBox>(*form, "cbRunOnWinStart")->isChecked());
    }

    void anAutostartEntryThatCannotBeWrittenIsReported() {
        test::SetupFixture fixture;
        test::RecordingSetupHost host(&fixture.Options());
        SetupFormFiles files = fixture.Files();
        files.autostart = fixture.Path(QStringLiteral("a-file")).toStdString();
        QFile(QString::fromStdString(files.autostart.string())).open(QIODevice::WriteOnly);
        TSetupForm form(fixture.Options(), host, files);
        Control<QCheckBox>(form, "cbRunOnWinStart")->click();
        QCOMPARE(host.Calls.filter(QStringLiteral("Error")).size(), 1);
    }

    void rescanPeriodBecomesWholeMinutesAtCreation() {
        {
            test::SetupFixture fixture({"\"RescanTime\"=dword:006ddd00",  // 7200000
                                        "\"AutoRescan\"=dword:00000001"});
            test::RecordingSetupHost host(&fixture.Options());
            auto form = fixture.MakeForm(host);
            QCOMPARE(host.Calls, (QStringList{"RescanInterval 60000", "RescanTimer on",
                                              "RescanInterval 3600000"}));
            QCOMPARE(fixture.Options().RescanTime(), 3600000);
            QCOMPARE(fixture.Key().ReadInteger("RescanTime"), 3600000);
            QCOMPARE(Control<QSpinBox>(*form, "eRescanTime")->value(), 60);
        }
        {
            // Without automatic rescans the period is still stored in minutes; no timer runs.
            test::SetupFixture fixture({"\"RescanTime\"=dword:006ddd00"});
            test::RecordingSetupHost host(&fixture.Options());
            auto form = fixture.MakeForm(host);
            QCOMPARE(host.Calls, QStringList{"RescanInterval 3600000"});
            QCOMPARE(fixture.Key().ReadInteger("RescanTime"), 3600000);
        }
        {
            // 90 seconds read as one minute, which the field holds already: the timer runs a
            // minute, RescanTime keeps its value.
            test::SetupFixture fixture(
                {"\"RescanTime\"=dword:00015f90", "\"AutoRescan\"=dword:00000001"});
            test::RecordingSetupHost host(&fixture.Options());
            auto form = fixture.MakeForm(host);
            QCOMPARE(host.Calls, (QStringList{"RescanInterval 60000", "RescanTimer on"}));
            QCOMPARE(fixture.Key().ReadInteger("RescanTime"), 90000);
        }
    }

    void rescanControlsDriveTheTimer() {
        test::SetupFixture fixture;
        test::RecordingSetupHost host(&fixture.Options());
        auto form = fixture.MakeForm(host);
        host.Calls.clear();
        auto* minutes = Control<QSpinBox>(*form, "eRescanTime");
        minutes->setValue(15);
        QCOMPARE(host.Calls, QStringList{"RescanInterval 900000"});
        QCOMPARE(fixture.Key().ReadInteger("RescanTime"), 900000);
        auto* box = Control<QCheckBox>(*form, "cbAutoRescan");
        box->click();
        QCOMPARE(host.Calls.mid(1), (QStringList{"RescanInterval 900000", "RescanTimer on"}));
        QVERIFY(fixture.Options().AutoRescan());
        box->click();
        QCOMPARE(host.Calls.last(), QStringLiteral("RescanTimer off"));
        QVERIFY(!fixture.Key().ReadBool("AutoRescan"));
    }

    // A hot key is taken from every program on the desktop: the field takes combinations and
    // function keys, refuses keys that other programs need for typing, and registers on OK.
    void hotKeyFieldTakesCombinationsAndRegistersOnlyOnOk() {
        test::SetupFixture fixture;
        test::RecordingSetupHost host(&fixture.Options());
        auto form = fixture.MakeForm(host);
        form->show();
        auto* field = Control<QLineEdit>(*form, "eShortCut");
        QCOMPARE(field->text(), QString());
        QTest::keyClick(field, Qt::Key_M, Qt::ControlModifier | Qt::AltModifier);
        QCOMPARE(fixture.Options().ShortCutKey(), 0xC04D);
        QCOMPARE(fixture.Key().ReadInteger("ShortCutKey"), 0xC04D);
        QCOMPARE(field->text(), QStringLiteral("Ctrl+Alt+M"));
        QTest::keyClick(field, Qt::Key_F5);
        QCOMPARE(fixture.Options().ShortCutKey(), 0x74);
        QCOMPARE(field->text(), QStringLiteral("F5"));
        QCOMPARE(field->toolTip(), QString());

        // Keys that type or erase text, alone or with Shift alone, are refused: the field keeps
        // the hot key it had, says why, and nothing is stored.
        field->setFocus();
        const struct {
            int key;
            Qt::KeyboardModifiers modifiers;
            const char* name;
        } refused[] = {{Qt::Key_Return, {}, "Enter"},
                       {Qt::Key_Space, {}, "Space"},
                       {Qt::Key_A, {}, "A"},
                       {Qt::Key_Tab, {}, "Tab"},
                       {Qt::Key_Exclam, Qt::ShiftModifier, "Shift+1"},
                       {Qt::Key_VolumeUp, {}, ""}};
        for (const auto& key : refused) {
            QTest::keyClick(field, Qt::Key(key.key), key.modifiers);
            QCOMPARE(fixture.Options().ShortCutKey(), 0x74);
            QCOMPARE(fixture.Key().ReadInteger("ShortCutKey"), 0x74);
            QCOMPARE(field->text(), QStringLiteral("F5"));
            QVERIFY2(field->toolTip().contains(QStringLiteral("Ctrl или Alt")),
                     qPrintable(field->toolTip()));
            QVERIFY(field->toolTip().contains(QString::fromLatin1(key.name)));
        }
        // A modifier key alone waits for the key that completes the combination.
        QTest::keyClick(field, Qt::Key_Control, Qt::ControlModifier);
        QCOMPARE(fixture.Options().ShortCutKey(), 0x74);
        QCOMPARE(field->text(), QStringLiteral("F5"));
        QTest::keyClick(field, Qt::Key_Return, Qt::ControlModifier);
        QCOMPARE(fixture.Options().ShortCutKey(), 0x400D);
        QCOMPARE(field->text(), QStringLiteral("Ctrl+Enter"));
        QCOMPARE(field->toolTip(), QString());
        QTest::keyClick(field, Qt::Key_Insert, Qt::ShiftModifier);
        QCOMPARE(fixture.Options().ShortCutKey(), 0x202D);
        // The form's own keys never reach the field; Alt, pressed first, does, and waits.
        QTest::keyClick(field, Qt::Key_F7, Qt::ShiftModifier);
        QCOMPARE(fixture.Options().ShortCutKey(), 0x2076);
        QTest::keyClick(field, Qt::Key_Down, Qt::AltModifier);
        QCOMPARE(fixture.Options().ShortCutKey(), 0x2076);
        QCOMPARE(form->CurrentPage(), 1);
        QVERIFY(!host.Calls.contains(QStringLiteral("UpdateHotKey")));

        form->SwitchToPage(0);
        Control<QPushButton>(*form, "Button1")->click();
        QCOMPARE(fixture.Key().ReadInteger("ShortCutKey"), 0);
        QCOMPARE(field->text(), QString());
        QVERIFY(!host.Calls.contains(QStringLiteral("UpdateHotKey")));
        Control<QToolButton>(*form, "SpeedButton1")->click();
        QCOMPARE(host.Calls.filter(QStringLiteral("UpdateHotKey")).size(), 1);
    }

    void f1ShowsTheFocusedControlsHelpButIsAHotKeyInTheHotKeyField() {
        test::SetupFixture fixture;
        test::RecordingSetupHost host(&fixture.Options());
        auto form = fixture.MakeForm(host);
        form->show();
        QApplication::setActiveWindow(form.get());
        auto helpShown = [] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                if (widget->inherits("QWhatsThat") && widget->isVisible()) {
                    return true;
                }
            }
            return false;
        };
        auto* box = Control<QCheckBox>(*form, "HideOnSend");
        box->setFocus();
        QTest::keyClick(box, Qt::Key_F1);
        QVERIFY(helpShown());
        QCOMPARE(fixture.Options().ShortCutKey(), 0);
        auto* field = Control<QLineEdit>(*form, "eShortCut");
        field->setFocus();
        QTest::keyClick(field, Qt::Key_F1);
        QCOMPARE(fixture.Options().ShortCutKey(), 0x70);
        QCOMPARE(field->text(), QStringLiteral("F1"));
    }

    void hotKeyTextAtCreation() {
        test::SetupFixture fixture({"\"ShortCutKey\"=dword:00004050"});
        test::RecordingSetupHost host(&fixture.Options());
        auto form = fixture.MakeForm(host);
        QCOMPARE(Control<QLineEdit>(*form, "eShortCut")->text(), QStringLiteral("Ctrl+P"));
    }

    void altArrowsStepThroughThePagesWithWrapAround() {
        test::SetupFixture fixture;
        test::RecordingSetupHost host(&fixture.Options());
        auto form = fixture.MakeForm(host);
        form->show();
        QWidget* target = Control(*form, "eFullName");
        QList<int> seen;
        for (int step = 0; step < 5; ++step) {
            QTest::keyClick(target, Qt::Key_Down, Qt::AltModifier);
            seen << form->CurrentPage();
        }
        QCOMPARE(seen, (QList<int>{1, 2, 3, 0, 1}));
        form->SwitchToPage(TSetupForm::kMacrosPage);
        QTest::keyClick(target, Qt::Key_Down, Qt::AltModifier);
        QCOMPARE(form->CurrentPage(), 0);
        QTest::keyClick(target, Qt::Key_Up, Qt::AltModifier);
        QCOMPARE(form->CurrentPage(), 3);
        QTest::keyClick(target, Qt::Key_Up, Qt::AltModifier);
        QCOMPARE(form->CurrentPage(), 2);
        QVERIFY(Control<QToolButton>(*form, "RoSpeedButton1")->isChecked());
        // Plain arrows belong to the focused control.
        QTest::keyClick(target, Qt::Key_Down);
        QCOMPARE(form->CurrentPage(), 2);
    }

    void notificationGroupFollowsShowMsg() {
        test::SetupFixture fixture({"\"ShowMsg\"=dword:00000000"});
        test::RecordingSetupHost host(&fixture.Options());
        auto form = fixture.MakeForm(host);
        auto* group = Control<QGroupBox>(*form, "GroupBox1");
        auto* box = Control<QCheckBox>(*form, "CheckBox1");
        const QList<QWidget*> controls = group->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        QVERIFY(controls.size() >= 9);
        auto enabledOnes = [&] {
            QStringList names;
            for (QWidget* control : controls) {
                if (control->isEnabled() && control->objectName() != "CheckBox1Bar") {
                    names << control->objectName();
                }
            }
            return names;
        };
        QVERIFY(!box->isChecked());
        QCOMPARE(enabledOnes(), QStringList{"CheckBox1"});
        box->click();
        QVERIFY(fixture.Key().ReadBool("ShowMsg"));
        QCOMPARE(enabledOnes().size(), controls.size() - 2);  // all but RB4 (and the bar)
        QVERIFY(!Control(*form, "RB4")->isEnabled());
        QVERIFY(Control(*form, "IconsGrid")->isEnabled());
        box->click();
        QVERIFY(!fixture.Key().ReadBool("ShowMsg"));
        QCOMPARE(enabledOnes(), QStringList{"CheckBox1"});
    }

    void windowTypeButtonsAndPreview() {
        test::SetupFixture fixture({"\"WindowType\"=dword:00000003"});
        test::RecordingSetupHost host(&fixture.Options());
        auto form = fixture.MakeForm(host);
        form->SwitchToPage(TSetupForm::kInterfacePage);
        form->show();
        for (const char* name : {"RB1", "RB2", "RB3", "RB4"}) {
            QVERIFY2(!Control<QRadioButton>(*form, name)->isChecked(), name);
        }
        QWidget* preview = Control(*form, "UserWindowPreview");
        const QImage empty = preview->grab().toImage();
        const QColor background = empty.pixelColor(0, 0);
        for (int y = 0; y < empty.height(); ++y) {
            for (int x = 0; x < empty.width(); ++x) {
                QCOMPARE(empty.pixelColor(x, y), background);
            }
        }
        QCOMPARE(fixture.Options().WindowType(), 3);
        Control<QRadioButton>(*form, "RB1")->click();
        QCOMPARE(fixture.Key().ReadInteger("WindowType"), 0);
        auto picture = [](const QPixmap& pixmap) {
            return pixmap.toImage().convertToFormat(QImage::Format_RGB32);
        };
        QCOMPARE(picture(preview->grab()), picture(PreviewPicture(0)));
        Control<QRadioButton>(*form, "RB3")->click();
        QCOMPARE(fixture.Key().ReadInteger("WindowType"), 2);
        QVERIFY(!Control<QRadioButton>(*form, "RB1")->isChecked());
        QCOMPARE(picture(preview->grab()), picture(PreviewPicture(2)));
    }

    void windowTypeAtCreationTicksItsButton() {
        test::SetupFixture fixture;  // WindowType 1
        test::RecordingSetupHost host(&fixture.Options());
        auto form = fixture.MakeForm(host);
        QVERIFY(!Control<QRadioButton>(*form, "RB1")->isChecked());
        QVERIFY(Control<QRadioButton>(*form, "RB2")->isChecked());
        QCOMPARE(fixture.Key().ReadInteger("WindowType"), 1);
    }

    void colourBoxWritesTheColour() {
        test::SetupFixture fixture;
        test::RecordingSetupHost host(&fixture.Options());
        auto form = fixture.MakeForm(host);
        auto* box = Control<ColorBox>(*form, "UserWndColor");
        // The default is none of the listed colours and is shown all the same.
        QCOMPARE(box->Selected(), 0x0C0C0Cu);
        box->setCurrentIndex(box->findData(0x0000FFu));
        QCOMPARE(fixture.Options().UserWinColor(), 0x0000FFu);
        QCOMPARE(fixture.Key().ReadInteger("UserWinColor"), 0xFF);
    }

    void iconGridSelectsAndDrawsTheUserIcon() {
        test::SetupFixture fixture({"\"UserIcon\"=dword:00000002"});
        test::RecordingSetupHost host(&fixture.Options());
        auto form = fixture.MakeForm(host);
        form->SwitchToPage(TSetupForm::kInterfacePage);
        form->show();
        auto* grid = Control<IconsGrid>(*form, "IconsGrid");
        QCOMPARE(grid->columnCount(), 10);
        QCOMPARE(grid->currentColumn(), 2);
        QCOMPARE(grid->columnWidth(0), 34);
        QCOMPARE(grid->rowHeight(0), 34);
        grid->setCurrentCell(0, 7);
        QCOMPARE(fixture.Key().ReadInteger("UserIcon"), 7);
        grid->clearFocus();
        const QImage picture = grid->viewport()->grab().toImage();
        for (int column : {6, 7}) {
            const QRect cell = grid->visualRect(grid->model()->index(0, column));
            const QColor fill = column == 7 ? QColor(0x80, 0x80, 0x80) : QColor(Qt::white);
            QCOMPARE(picture.pixelColor(cell.left(), cell.top() + 16), fill);
            // The picture lies one pixel in from the cell's corner.
            const QImage icon = host.icons[column].toImage();
            QCOMPARE(picture.pixelColor(cell.left() + 1, cell.top() + 1), icon.pixelColor(0, 0));
            QCOMPARE(picture.pixelColor(cell.left() + 17, cell.top() + 9), icon.pixelColor(16, 8));
        }
    }

    void userIconWithoutAPictureSelectsNoCell() {
        test::SetupFixture fixture({"\"UserIcon\"=dword:0000000c"});
        test::RecordingSetupHost host(&fixture.Options());
        auto form = fixture.MakeForm(host);
        QCOMPARE(Control<IconsGrid>(*form, "IconsGrid")->currentColumn(), -1);
        QCOMPARE(fixture.Key().ReadInteger("UserIcon"), 12);
    }

    void cancellingTheFontDialogStillAppliesTheStoredFont() {
        test::SetupFixture fixture(
            {"\"FontName\"=\"DejaVu Sans Mono\"", "\"FontSize\"=dword:0000000c"});
        test::RecordingSetupHost host(&fixture.Options());
        auto form = fixture.MakeForm(host);
        form->show();
        QString offered;
        AnswerNextDialog([&](QDialog& dialog) {
            auto& fonts = static_cast<QFontDialog&>(dialog);
            offered = fonts.currentFont().family() +
                      QStringLiteral(" %1").arg(fonts.currentFont().pointSize());
            fonts.setCurrentFont(QFont(QStringLiteral("DejaVu Serif"), 14));
            return false;
        });
        Control<QPushButton>(*form, "FontButton")->click();
        QCOMPARE(offered, QStringLiteral("DejaVu Sans Mono 12"));
        QCOMPARE(fixture.Options().FontName(), std::string("DejaVu Sans Mono"));
        QCOMPARE(fixture.Options().FontSize(), 12);
        QCOMPARE(host.Calls.filter(QStringLiteral("ApplyFonts")).size(), 1);

        AnswerNextDialog([&](QDialog& dialog) {
            static_cast<QFontDialog&>(dialog).setCurrentFont(
                QFont(QStringLiteral("DejaVu Serif"), 14));
            return true;
        });
        Control<QPushButton>(*form, "FontButton")->click();
        QCOMPARE(fixture.Key().ReadString("FontName"), std::string("DejaVu Serif"));
        QCOMPARE(fixture.Key().ReadInteger("FontSize"), 14);
        QCOMPARE(fixture.Options().FontSet(), 1);
        QCOMPARE(host.Calls.filter(QStringLiteral("ApplyFonts")).size(), 2);
    }

    void builtInSkinListsTheProgramsDirectory() {
        test::SetupFixture fixture;
        QCOMPARE(fixture.Options().SkinDir(), std::string("<default>"));
        MakeSkins(fixture.ProgramDirectory());
        test::RecordingSetupHost host(&fixture.Options());
        auto form = fixture.MakeForm(host);
        // Directories in capitals, files as they are, sorted without regard to case.
        QCOMPARE(form->SkinEntries(),
                 (QStringList{"<default>", "amp.zip", "BASE", "Base.wsz", "CLASSIC", "zebra.BMP"}));
        QCOMPARE(form->SelectedSkinEntry(), -1);
        QCOMPARE(form->SkinDirText(), QString());
        // An entry is taken from the directory the list shows.
        form->PickSkinEntry(static_cast<int>(form->SkinEntries().indexOf("BASE")));
        const std::string base = (fixture.ProgramDirectory() + "/BASE").toStdString();
        QCOMPARE(fixture.Key().ReadString("SkinDir"), base);
        QCOMPARE(host.Calls.last(), QStringLiteral("ShowSkin ") + QString::fromStdString(base));
        QCOMPARE(form->SkinDirText(), QString());
        form->PickSkinEntry(0);
        QCOMPARE(fixture.Key().ReadString("SkinDir"), std::string("<default>"));
    }

    void skinArchiveListsItsDirectory() {
        test::SetupFixture probe;
        const QString skins = probe.Path(QStringLiteral("skins"));
        MakeSkins(skins);
        test::SetupFixture fixture({"\"SkinDir\"=\"" + skins + "/base.wsz\""});
        test::RecordingSetupHost host(&fixture.Options());
        auto form = fixture.MakeForm(host);
        host.Calls.clear();
        QCOMPARE(form->SkinDirText(), skins);
        QVERIFY(form->SkinEntries().contains("CLASSIC"));
        QVERIFY(form->SkinEntries().contains("Base.wsz"));
        QVERIFY(!form->SkinEntries().contains("notes.txt"));
        // The built-in skin as an entry of a directory.
        form->PickSkinEntry(0);
        QCOMPARE(form->SkinDirText(), skins + "/");
        QCOMPARE(fixture.Key().ReadString("SkinDir"), (skins + "/<default>").toStdString());
        QCOMPARE(host.Calls, QStringList{"ShowSkin " + skins + "/<default>"});
    }

    void clickingTheSkinListPicksTheSkin() {
        test::SetupFixture probe;
        const QString skins = probe.Path(QStringLiteral("skins"));
        MakeSkins(skins);
        test::SetupFixture fixture({"\"SkinDir\"=\"" + skins + "/base.wsz\""});
        test::RecordingSetupHost host(&fixture.Options());
        auto form = fixture.MakeForm(host);
        host.Calls.clear();
        form->SwitchToPage(TSetupForm::kSkinsPage);
        form->show();
        auto* list = Control<QListWidget>(*form, "SkinsList");
        const int classic = static_cast<int>(form->SkinEntries().indexOf("CLASSIC"));
        const QRect place = list->visualItemRect(list->item(classic));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, place.center());
        QCOMPARE(form->SelectedSkinEntry(), classic);
        // Shown in capitals, opened as it is named on disk.
        QCOMPARE(fixture.Options().SkinDir(), (skins + "/classic").toStdString());
        QVERIFY(!host.Calls.isEmpty());
        QVERIFY(host.Calls.filter(QStringLiteral("ShowSkin")).size() == host.Calls.size());
        // The keyboard picks too.
        host.Calls.clear();
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Down);
        QCOMPARE(fixture.Options().SkinDir(),
                 (skins + "/" + form->SkinEntries()[classic + 1]).toStdString());
        QCOMPARE(host.Calls.size(), 1);
        // A right click on an entry picks nothing.
        host.Calls.clear();
        QTest::mouseClick(list->viewport(), Qt::RightButton, {}, place.center());
        QVERIFY(host.Calls.filter(QStringLiteral("ShowSkin")).size() <= 1);
    }

    void focusOnTheSkinListPicksNothing() {
        test::SetupFixture probe;
        const QString skins = probe.Path(QStringLiteral("skins"));
        MakeSkins(skins);
        const std::string base = (skins + "/BASE").toStdString();
        test::SetupFixture fixture({"\"SkinDir\"=\"" + skins + "/BASE\""});
        test::RecordingSetupHost host(&fixture.Options());
        auto form = fixture.MakeForm(host);
        host.Calls.clear();
        // The dialog opened at the skins page, the list taking the focus as it comes up.
        form->SwitchToPage(TSetupForm::kSkinsPage);
        form->show();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        auto* list = Control<QListWidget>(*form, "SkinsList");
        auto* field = Control<QLineEdit>(*form, "SkinDir");
        list->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY_WITH_TIMEOUT(list->hasFocus(), 2000);
        QCOMPARE(fixture.Key().ReadString("SkinDir"), base);
        QCOMPARE(form->SelectedSkinEntry(), -1);
        // A folder from the picker, and the focus back in the list it refilled.
        form->SkinDirAfterDialog(skins);
        field->setFocus(Qt::TabFocusReason);
        list->setFocus(Qt::ActiveWindowFocusReason);
        QTRY_VERIFY_WITH_TIMEOUT(list->hasFocus(), 2000);
        QCOMPARE(fixture.Key().ReadString("SkinDir"), skins.toStdString());
        QCOMPARE(form->SkinDirText(), skins);
        QCOMPARE(host.Calls, QStringList{"BuildSkinsMenu"});
        // Enter picks the current entry.
        QTest::keyClick(list, Qt::Key_Return);
        QCOMPARE(fixture.Key().ReadString("SkinDir"), (skins + "/<default>").toStdString());
        form->hide();
    }

    void choosingASkinDirectoryRebuildsTheMenuButKeepsTheSkin() {
        test::SetupFixture fixture;
        const QString skins = fixture.Path(QStringLiteral("skins"));
        MakeSkins(skins);
        test::RecordingSetupHost host(&fixture.Options());
        auto form = fixture.MakeForm(host);
        host.Calls.clear();
        form->SkinDirAfterDialog(skins);
        QCOMPARE(fixture.Key().ReadString("SkinDir"), skins.toStdString());
        QCOMPARE(form->SkinDirText(), skins);
        QVERIFY(form->SkinEntries().contains("CLASSIC"));
        QCOMPARE(host.Calls, QStringList{"BuildSkinsMenu"});
        form->PickSkinEntry(static_cast<int>(form->SkinEntries().indexOf("Base.wsz")));
        QCOMPARE(fixture.Options().SkinDir(), (skins + "/Base.wsz").toStdString());
    }

    void okStoresTextsAndRenewsTheHotKey() {
        test::SetupFixture fixture;
        test::RecordingSetupHost host(&fixture.Options());
        host.identity = {"Full", "Nick", "Away", "Busy"};
        host.replies = {"one", "two"};
        host.macros = {"m1", "m2", "m3", "m4", "m5", "m6"};
        auto form = fixture.MakeForm(host);
        host.Calls.clear();
        QCOMPARE(Control<QLineEdit>(*form, "eFullName")->text(), QStringLiteral("Full"));
        QCOMPARE(Control<QLineEdit>(*form, "eBusyText")->text(), QStringLiteral("Busy"));
        auto* macros = Control<QTableWidget>(*form, "MacroGrid");
        auto* replies = Control<QTableWidget>(*form, "ReplyGrid");
        QCOMPARE(macros->item(4, 0)->text(), QStringLiteral("Shift+F5"));
        QCOMPARE(replies->item(0, 0)->text(), QStringLiteral("Ctrl+F1"));
        QVERIFY(!(replies->item(0, 0)->flags() & Qt::ItemIsEditable));
        QCOMPARE(macros->item(4, 1)->text(), QStringLiteral("m5"));
        QCOMPARE(replies->item(2, 1)->text(), QString());
        QCOMPARE(macros->columnWidth(0), 90);

        form->show();
        Control<QLineEdit>(*form, "eUserNik")->setText(QStringLiteral("Вася"));
        Control<QLineEdit>(*form, "eFullName")->setText(QString(300, 'x'));
        replies->item(3, 1)->setText(QStringLiteral("Четыре"));
        Control<QToolButton>(*form, "SpeedButton1")->click();
        QCOMPARE(form->result(), TSetupForm::kModalResultOk);
        QVERIFY(!form->isVisible());
        QCOMPARE(host.Calls, QStringList{"UpdateHotKey"});
        QCOMPARE(host.identity.Nik, Utf8ToAnsi("Вася"));
        QCOMPARE(host.identity.UserName, std::string(255, 'x'));
        QCOMPARE(host.identity.ReplyText, std::string("Away"));
        QCOMPARE(host.replies,
                 (std::vector<std::string>{"one", "two", "", Utf8ToAnsi("Четыре"), ""}));
        QCOMPARE(host.macros.size(), 5u);
        const std::string data = fixture.Files().DataDir;
        QCOMPARE(FileText(data + "reply.dat"),
                 "one\r\ntwo\r\n\r\n" + Utf8ToAnsi("Четыре") + "\r\n\r\n");
        QCOMPARE(FileText(data + "macro.dat"), std::string("m1\r\nm2\r\nm3\r\nm4\r\nm5\r\n"));
    }

    void escapeStoresTextsButLeavesTheHotKey() {
        test::SetupFixture fixture;
        test::RecordingSetupHost host(&fixture.Options());
        auto form = fixture.MakeForm(host);
        host.Calls.clear();
        form->SwitchToPage(TSetupForm::kMacrosPage);
        form->show();
        auto* nick = Control<QLineEdit>(*form, "eUserNik");
        nick->setText(QStringLiteral("Escaped"));
        // A cell being edited counts with what it shows.
        auto* macros = Control<QTableWidget>(*form, "MacroGrid");
        Control<QTabWidget>(*form, "PageControl1")->setCurrentIndex(1);
        QVERIFY(macros->isVisible());
        macros->editItem(macros->item(1, 1));
        QLineEdit* editor = macros->findChild<QLineEdit*>();
        QVERIFY(editor);
        QTest::keyClicks(editor, QStringLiteral("typed"));
        QTest::keyClick(editor, Qt::Key_Escape);
        QCOMPARE(form->result(), TSetupForm::kModalResultCancel);
        QVERIFY(!form->isVisible());
        QVERIFY(host.Calls.isEmpty());
        QCOMPARE(host.identity.Nik, std::string("Escaped"));
        QCOMPARE(host.macros[1], std::string("typed"));
        QCOMPARE(FileText(fixture.Files().DataDir + "macro.dat"),
                 std::string("\r\ntyped\r\n\r\n\r\n\r\n"));
    }

    void closeButtonStoresNothingAndKeepsTheFields() {
        test::SetupFixture fixture;
        test::RecordingSetupHost host(&fixture.Options());
        host.identity.Nik = "Kept";
        auto form = fixture.MakeForm(host);
        host.Calls.clear();
        form->show();
        auto* nick = Control<QLineEdit>(*form, "eUserNik");
        nick->setText(QStringLiteral("Abandoned"));
        Control<QCheckBox>(*form, "BOSBox")->click();
        form->close();
        QCOMPARE(form->result(), TSetupForm::kModalResultCancel);
        QVERIFY(host.Calls.isEmpty());
        QCOMPARE(host.identity.Nik, std::string("Kept"));
        QVERIFY(!std::filesystem::exists(fixture.Files().DataDir + "reply.dat"));
        // Written through all the same.
        QVERIFY(fixture.Key().ReadBool("SendBeep"));
        // The next showing starts where this one ended.
        form->show();
        QCOMPARE(nick->text(), QStringLiteral("Abandoned"));
    }

    void unwritableTextsKeepTheDialogOpen() {
        test::SetupFixture fixture;
        test::RecordingSetupHost host(&fixture.Options());
        SetupFormFiles files = fixture.Files();
        files.DataDir = fixture.Path(QStringLiteral("missing/")).toStdString();
        TSetupForm form(fixture.Options(), host, files);
        host.Calls.clear();
        form.show();
        Control<QToolButton>(form, "SpeedButton1")->click();
        QVERIFY(form.isVisible());
        QCOMPARE(host.Calls.size(), 2);
        QCOMPARE(host.Calls[0], QStringLiteral("UpdateHotKey"));
        QVERIFY(host.Calls[1].startsWith(QStringLiteral("Error ")));
        QTest::keyClick(Control(form, "eUserNik"), Qt::Key_Escape);
        QVERIFY(form.isVisible());
        QCOMPARE(host.Calls.size(), 3);
        form.close();
        QVERIFY(!form.isVisible());
    }
};

}  // namespace lyr

QTEST_MAIN(lyr::SetupFormTest)
#include "setup_form_test.moc"
