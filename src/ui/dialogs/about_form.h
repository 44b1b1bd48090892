// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QString>

#include "platform/system_info.h"

class QLabel;
class QMenu;
class QPushButton;

namespace lyr {

class ScrollingLines;

// The about box: title, version, links, this computer's system and memory, and on request the
// scrolling thanks. Its texts are made once, when it is created. Closed with OK (result 1) or
// its close box.
class TAboutForm : public QDialog {
    Q_OBJECT

public:
    explicit TAboutForm(const SystemInformation& system, QWidget* parent = nullptr);

    // Puts the box on top of every window, showing it; the main window calls this whenever it
    // is shown while the box is open.
    void KeepOnTop();

    // The caption of the label a mouse button was last pressed on, which "Копировать" copies.
    const QString& LastLabelText() const { return lastLabelText_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate(const SystemInformation& system);
    QLabel* AddLabel(const char* name, const QString& text, QPoint at);
    QLabel* AddLink(const char* name, const QString& text, QPoint at, const QString& hint);
    void Button1Click();
    void Label7Click();
    void Label6Click();
    void Label5MouseDown(QLabel* label);
    void N1Click();

    QLabel* Label5 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label7 = nullptr;
    QLabel* VersionLabel = nullptr;
    QLabel* WinVer = nullptr;
    QLabel* PhisMem = nullptr;
    QPushButton* Button1 = nullptr;
    ScrollingLines* SecretPanel1 = nullptr;
    QMenu* CopyMenu = nullptr;
    QString lastLabelText_;
};

}  // namespace lyr
