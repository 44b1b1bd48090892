// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QStringList>

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

#include "app/options.h"
#include "platform/special_folders.h"
#include "ui/setup/setup_form_host.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QStackedWidget;
class QTabWidget;
class QTableWidget;
class QToolButton;

namespace lyr {

class ColorBox;
class IconsGrid;
class ShortCutEdit;
class SkinsListBox;

// Where the settings dialog finds the files it writes.
struct SetupFormFiles {
    std::string DataDir;               // the data directory, ending in '/'
    std::filesystem::path autostart;   // the autostart folder; empty when unknown
    std::filesystem::path executable;  // the running program, which the autostart entry starts
};

// The places of the running program: `dataDir`, the autostart folder of `folders` and the
// application's own file.
SetupFormFiles SetupFormFilesOfThisProgram(const std::string& dataDir,
                                           const SpecialFolders& folders);

// The settings dialog. Created once at start-up, after the main window, and kept for the whole
// run; every showing is modal (exec) and starts where the last one ended. Almost every control
// writes its setting through at once; the identity texts, quick replies and macros are stored
// only on OK or Escape. exec() gives kModalResultOk (OK) or kModalResultCancel (Escape, the
// frame's close button). After OK, the caller opening it from its "Настройки" items refreshes
// its menus and writes the identity file (WriteIdentity).
class TSetupForm : public QDialog {
    Q_OBJECT

public:
    static constexpr int kModalResultOk = 1;
    static constexpr int kModalResultCancel = 2;

    // The pages, as the page buttons' tags number them.
    enum Page { kSettingsPage = 0, kInterfacePage = 1, kSkinsPage = 2, kMacrosPage = 3 };

    // Builds the dialog and fills it from `options` and `host`; the filling has lasting
    // effects: the autostart entry is written anew while RunOnWinStart is on, and RescanTime
    // becomes whole minutes (1..60), the rescan timer running that period when AutoRescan is on.
    TSetupForm(TOptions& options, SetupFormHost& host, SetupFormFiles files,
               QWidget* parent = nullptr);
    ~TSetupForm() override;

    // Shows page `page` as a click on its page button does.
    void SwitchToPage(int page);
    int CurrentPage() const;

    // The skin list, in its order, and the entry the user picked in it (-1 for none), for the
    // skins menu.
    QStringList SkinEntries() const;
    int SelectedSkinEntry() const;
    // The text of the skin-directory field.
    QString SkinDirText() const;
    // Picks entry `index` of the skin list as a click on it does, without selecting it: the
    // field gets its trailing '/', SkinDir becomes field + the entry's name on disk, and the
    // skin is shown.
    void PickSkinEntry(int index);

    // Lists the skins of `dir` (SkinsListBox::Fill); an empty field's picks are taken from it.
    void FillSkinsList(const QString& dir);
    // After the folder picker gave `directory`: SkinDir becomes it, the list shows it and the
    // skins menu is rebuilt; the skin shown stays until an entry is picked.
    void SkinDirAfterDialog(const QString& directory);
    // Copies the identity fields into the identity values and the grids into the quick replies
    // and macros, and writes reply.dat and macro.dat. Throws lyr::Exception when a file cannot
    // be written.
    void StoreDialogTexts();

    // The frame's close button: Cancel, storing nothing.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildPageColumn();
    QWidget* BuildSettingsPage();
    QWidget* BuildInterfacePage();
    QWidget* BuildSkinsPage();
    QWidget* BuildMacrosPage();
    QCheckBox* AddSettingBox(QWidget* group, const char* name, const QString& caption, int top,
                             int helpTopic, const QString& description,
                             bool (TOptions::*setting)() const, void (TOptions::*setter)(bool));
    QTableWidget* AddTextGrid(QWidget* page, const char* name, const QString& keyPrefix,
                              int helpTopic, const QString& description);

    void FormCreate();
    void btnSetupClick(QToolButton* button);
    bool FormKeyDown(QKeyEvent* event);
    void SpeedButton1Click();
    void CloseWithStoredTexts(int result);
    void ShowHelpOf(QWidget* focus);

    void cbRunOnWinStartClick(bool checked);
    void cbAutoRescanClick(bool checked);
    void eRescanTimeChange(const QString& text);
    void eShortCutKeyDown(std::int32_t code);
    void Button1Click();
    void FontButtonClick();
    void CheckBox1Click(bool checked);
    void EnableNotificationGroup(bool enabled);
    void RB1Click(QRadioButton* button, bool checked);
    void PaintPreview(QPainter& painter);
    void BrowseSkinDir();

    // Runs a control's action; a failure goes to the default error report.
    void Guarded(const std::function<void()>& action);

    TOptions& options_;
    SetupFormHost& host_;
    SetupFormFiles files_;
    // The directory the skin list shows; a pick with an empty field is taken from it.
    QString listedSkinDirectory_;
    bool keyPreviewInstalled_ = false;

    // The page buttons in the column's order, which Alt+Up and Alt+Down step through.
    std::array<QToolButton*, 4> pageButtons_{};
    QToolButton* btnSetup = nullptr;
    QToolButton* RoSpeedButton4 = nullptr;
    QToolButton* RoSpeedButton1 = nullptr;
    QToolButton* RoSpeedButton2 = nullptr;
    QStackedWidget* pages_ = nullptr;
    QToolButton* SpeedButton1 = nullptr;

    QCheckBox* cbRunOnWinStart = nullptr;
    QCheckBox* StopNTServiceBox = nullptr;
    QCheckBox* HideOnSend = nullptr;
    QCheckBox* cbMinOnStart = nullptr;
    QCheckBox* SaveUserBox = nullptr;
    QCheckBox* ClearOnSend = nullptr;
    QCheckBox* CheckAnotherBox = nullptr;
    QCheckBox* cbStartupRescan = nullptr;
    QCheckBox* cbAutoRescan = nullptr;
    QSpinBox* eRescanTime = nullptr;
    ShortCutEdit* eShortCut = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* FontButton = nullptr;

    QCheckBox* USIBox = nullptr;
    QCheckBox* bAnimate = nullptr;
    QCheckBox* BOSBox = nullptr;
    QCheckBox* BORBox = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QCheckBox* DesktopNotifyBox = nullptr;
    std::array<QRadioButton*, 4> windowTypeButtons_{};  // RB1 ... RB4, tag = index
    QWidget* UserWindowPreview = nullptr;
    ColorBox* UserWndColor = nullptr;
    IconsGrid* IconsGrid_ = nullptr;

    SkinsListBox* SkinsList = nullptr;
    QLineEdit* SkinDir = nullptr;

    QLineEdit* eFullName = nullptr;
    QLineEdit* eUserNik = nullptr;
    QLineEdit* eAutoReplyText = nullptr;
    QLineEdit* eBusyText = nullptr;
    QTableWidget* MacroGrid = nullptr;
    QTableWidget* ReplyGrid = nullptr;
};

}  // namespace lyr
