// SPDX-License-Identifier: GPL-3.0-or-later
// What the settings dialog's controls do when they change.
#include <QButtonGroup>
#include <QCheckBox>
#include <QFileDialog>
#include <QFontDialog>
#include <QGroupBox>
#include <QLineEdit>
#include <QPainter>
#include <QRadioButton>
#include <QSpinBox>

#include <cmath>

#include "app/setup_values.h"
#include "app/shortcut_text.h"
#include "app/startup_entry.h"
#include "ui/setup/setup_form.h"
#include "ui/setup/setup_pictures.h"
#include "ui/setup/shortcut_edit.h"
#include "ui/setup/skins_list_box.h"
#include "ui/window_showing.h"

namespace lyr {

void TSetupForm::cbRunOnWinStartClick(bool checked) {
    // No setting is kept: whether the entry exists is the setting.
    Guarded([&] {
        if (checked) {
            CreateShortcut(files_.autostart, ProgramForStartupEntry(files_.executable), {}, {},
                           kProgramIconName, kStartupEntryName);
        } else {
            DeleteShortcut(files_.autostart, kStartupEntryName);
        }
    });
}

void TSetupForm::cbAutoRescanClick(bool checked) {
    Guarded([&] {
        if (options_.AutoRescan() != checked) {
            options_.SetAutoRescan(checked);
        }
        if (checked && eRescanTime->value() > 0) {
            host_.SetRescanInterval(eRescanTime->value() * kMillisecondsPerMinute);
            host_.SetRescanTimerEnabled(true);
        } else if (!checked) {
            // Unticked, the rescans stop at once rather than at the next start.
            host_.SetRescanTimerEnabled(false);
        }
    });
}

void TSetupForm::eRescanTimeChange(const QString& text) {
    const std::int32_t interval =
        RescanMinutesFromText(text.trimmed().toStdString()) * kMillisecondsPerMinute;
    Guarded([&] {
        host_.SetRescanInterval(interval);
        if (options_.RescanTime() != interval) {
            options_.SetRescanTime(interval);
        }
    });
}

void TSetupForm::eShortCutKeyDown(std::int32_t code) {
    // A key that other programs need for typing would reach only us, from every program.
    if (!IsDesktopHotKey(code)) {
        const QString name = QString::fromStdString(ShortCutText(code));
        eShortCut->Refuse(
            (name.isEmpty() ? QStringLiteral("Эта клавиша") : QStringLiteral("«%1»").arg(name)) +
            QStringLiteral(" без Ctrl или Alt отняла бы клавишу у всех программ. "
                           "Нажмите её вместе с Ctrl или Alt или выберите F1–F24."));
        return;
    }
    // Registered as the hot key only on OK.
    Guarded([&] { options_.SetShortCutKey(code); });
    eShortCut->ShowShortCut(QString::fromStdString(ShortCutText(code)));
}

void TSetupForm::Button1Click() {
    Guarded([&] { options_.SetShortCutKey(0); });
    eShortCut->ShowShortCut(QString::fromStdString(ShortCutText(0)));
}

void TSetupForm::FontButtonClick() {
    QFontDialog dialog(QFont(QString::fromStdString(options_.FontName()), options_.FontSize()),
                       this);
    dialog.setObjectName(QStringLiteral("FontDialog"));
    if (ExecModal(dialog) == QDialog::Accepted) {
        // Colour and styles chosen in the dialog are not kept; nor is a character set, as Qt
        // chooses glyphs by Unicode and offers none.
        const QFont chosen = dialog.selectedFont();
        Guarded([&] {
            options_.SetFontName(chosen.family().toStdString());
            options_.SetFontSize(chosen.pointSize());
        });
    }
    Guarded([&] { host_.ApplyFonts(); });
}

void TSetupForm::CheckBox1Click(bool checked) {
    if (options_.ShowMsg() != checked) {
        Guarded([&] { options_.SetShowMsg(checked); });
    }
    EnableNotificationGroup(checked);
    if (checked) {
        windowTypeButtons_[3]->setEnabled(false);
    } else {
        CheckBox1->setEnabled(true);
    }
}

void TSetupForm::EnableNotificationGroup(bool enabled) {
    // Each control of the group, not the group, so that the check box can stay enabled.
    for (QWidget* control : GroupBox1->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        control->setEnabled(enabled);
    }
}

void TSetupForm::RB1Click(QRadioButton* button, bool checked) {
    if (checked) {
        const int tag = button->property("tag").toInt();
        if (options_.WindowType() != tag) {
            Guarded([&] { options_.SetWindowType(tag); });
        }
    }
    UserWindowPreview->update();
}

void TSetupForm::PaintPreview(QPainter& painter) {
    const int windowType = options_.WindowType();
    if (windowType >= 0 && windowType < kPreviewPictureCount) {
        painter.drawPixmap(0, 0, PreviewPicture(windowType));
    }
}

void TSetupForm::FillSkinsList(const QString& dir) {
    SkinsList->Fill(dir);
    listedSkinDirectory_ = dir;
}

QStringList TSetupForm::SkinEntries() const {
    QStringList entries;
    for (int row = 0; row < SkinsList->count(); ++row) {
        entries.append(SkinsList->item(row)->text());
    }
    return entries;
}

int TSetupForm::SelectedSkinEntry() const {
    return SkinsList->PickedRow();
}

QString TSetupForm::SkinDirText() const {
    return SkinDir->text();
}

void TSetupForm::PickSkinEntry(int index) {
    if (index < 0 || index >= SkinsList->count()) {
        return;
    }
    // Shown in capitals, a directory is opened by its own name on a case-sensitive disk.
    const QString entry = SkinsList->DiskName(index);
    QString directory = SkinDir->text();
    if (!directory.isEmpty() && !directory.endsWith('/')) {
        directory += '/';
        SkinDir->setText(directory);
    }
    // With the field empty the list shows the program's own directory, so an entry other than
    // the built-in skin is taken from there, not from wherever the program was started.
    if (directory.isEmpty() && entry != QLatin1String(kDefaultSkin) &&
        !listedSkinDirectory_.isEmpty()) {
        directory =
            listedSkinDirectory_.endsWith('/') ? listedSkinDirectory_ : listedSkinDirectory_ + '/';
    }
    Guarded([&] { options_.SetSkinDir((directory + entry).toStdString()); });
    Guarded([&] { host_.ShowSkin(); });
}

void TSetupForm::BrowseSkinDir() {
    QFileDialog dialog(this, QStringLiteral("Каталог видов"), SkinDir->text());
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    if (ExecModal(dialog) == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
        SkinDirAfterDialog(dialog.selectedFiles().first());
    }
}

void TSetupForm::SkinDirAfterDialog(const QString& directory) {
    SkinDir->setText(directory);
    Guarded([&] { options_.SetSkinDir(directory.toStdString()); });
    FillSkinsList(directory);
    Guarded([&] { host_.BuildSkinsMenu(); });
}

}  // namespace lyr
