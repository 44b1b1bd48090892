// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/skin/skin_styling.h"

#include <QSplitter>

#include "ui/skin/skinned_buttons.h"

namespace lyr {
namespace {

void SetBackground(QWidget* widget, const QColor& color) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, color);
    palette.setColor(QPalette::Base, color);
    palette.setColor(QPalette::Button, color);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

void SetText(QWidget* widget, const QColor& color) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::Text, color);
    palette.setColor(QPalette::ButtonText, color);
    widget->setPalette(palette);
}

// A splitter's handles are widgets of their own.
void SetSplitterBackground(QWidget* widget, const QColor& color) {
    SetBackground(widget, color);
    if (auto* splitter = qobject_cast<QSplitter*>(widget)) {
        for (int i = 0; i < splitter->count(); ++i) {
            SetBackground(splitter->handle(i), color);
        }
    }
}

}  // namespace

void ApplySkinColors(const QColor& SkinColor, const QColor& SkinTextColor,
                     const SkinColorTargets& targets) {
    for (QWidget* widget : {targets.InfoText, targets.SendText, targets.RecText, targets.UserList,
                            targets.FromPanel}) {
        if (widget != nullptr) {
            SetBackground(widget, SkinColor);
            SetText(widget, SkinTextColor);
        }
    }
    for (QWidget* widget : {targets.Splitter1, targets.Splitter2}) {
        if (widget != nullptr) {
            SetSplitterBackground(widget, SkinColor);
        }
    }
    if (targets.window != nullptr) {
        // Only the window's own roles: the base and text roles would reach every child.
        QPalette palette = targets.window->palette();
        palette.setColor(QPalette::Window, SkinColor);
        palette.setColor(QPalette::WindowText, SkinTextColor);
        targets.window->setPalette(palette);
    }
    if (targets.FromPanel != nullptr) {
        const auto buttons =
            targets.FromPanel->findChildren<TSmallButton*>(Qt::FindDirectChildrenOnly);
        for (TSmallButton* button : buttons) {
            button->SetGlyphColor(SkinTextColor);
            button->SetBorderColor(SkinTextColor);
            button->SetBackColor(SkinColor);
        }
    }
}

void ApplyFonts(const TextPaneFont& font, QWidget* RecText, QWidget* SendText) {
    for (QWidget* pane : {RecText, SendText}) {
        if (pane == nullptr) {
            continue;
        }
        QFont paneFont = pane->font();
        if (!font.FontName.isEmpty()) {
            paneFont.setFamily(font.FontName);
        }
        if (font.FontSize > 0) {
            paneFont.setPointSize(font.FontSize);
        }
        pane->setFont(paneFont);
    }
}

}  // namespace lyr
