// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QPixmap>

#include <exception>
#include <string>
#include <vector>

#include "app/identity.h"

namespace lyr {

// What the settings dialog needs of the main window. The main window implements it and keeps
// it alive as long as the dialog.
class SetupFormHost {
public:
    virtual ~SetupFormHost() = default;

    // The identity values: shown once at creation, replaced on OK and Escape.
    virtual Identity& IdentityValues() = 0;
    // The quick replies and macros (ANSI lines): shown once at creation, replaced on OK and
    // Escape, which also write reply.dat and macro.dat.
    virtual std::vector<std::string>& ReplyList() = 0;
    virtual std::vector<std::string>& MacroList() = 0;
    // The 32 x 32 picture list UserIcons that UserIcon indexes.
    virtual QList<QPixmap> UserIcons() const = 0;

    // Registers ShortCutKey as the global hot key anew (on OK).
    virtual void UpdateHotKey() = 0;
    // Rebuilds the main window's skins menu from the dialog's skin list.
    virtual void BuildSkinsMenu() = 0;
    // Shows the skin that SkinDir names: LoadSkin, ApplySkinColors and a repaint.
    virtual void ShowSkin() = 0;
    // Gives the message panes the font of FontName and FontSize.
    virtual void ApplyFonts() = 0;
    // The automatic rescan timer RescanServers: its interval (a running timer starts its
    // period anew) and whether it runs.
    virtual void SetRescanInterval(int milliseconds) = 0;
    virtual void SetRescanTimerEnabled(bool enabled) = 0;

    // The application's default error report: a message box with the error's text.
    virtual void ReportError(const std::exception& error) = 0;
};

}  // namespace lyr
