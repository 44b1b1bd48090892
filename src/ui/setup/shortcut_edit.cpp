// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/setup/shortcut_edit.h"

#include <QToolTip>

#include "app/shortcut_text.h"
#include "ui/keys/virtual_keys.h"

namespace lyr {
std::int32_t ShortCutOf(const QKeyEvent& event) {
    const int virtualKey = VirtualKeyOf(event);
    if (virtualKey == 0) {
        return 0;
    }
    // A modifier key pressed alone is held itself, as the platforms do not all say.
    const Qt::KeyboardModifiers modifiers = event.modifiers();
    return MakeShortCut(virtualKey, modifiers & Qt::ShiftModifier || virtualKey == 0x10,
                        modifiers & Qt::ControlModifier || virtualKey == 0x11,
                        modifiers & Qt::AltModifier || virtualKey == 0x12);
}

ShortCutEdit::ShortCutEdit(QWidget* parent) : QLineEdit(parent) {
    setReadOnly(true);
}

void ShortCutEdit::ShowShortCut(const QString& text) {
    setText(text);
    setToolTip({});
    QToolTip::hideText();
}

void ShortCutEdit::Refuse(const QString& why) {
    setToolTip(why);
    QToolTip::showText(mapToGlobal(QPoint(0, height())), why, this);
}

bool ShortCutEdit::event(QEvent* event) {
    // Before QWidget::event, which would take Tab for moving the focus.
    if (event->type() == QEvent::KeyPress) {
        // A modifier pressed on its own is on its way to a combination; the key completes it.
        const std::int32_t code = ShortCutOf(*static_cast<QKeyEvent*>(event));
        if (code != 0 && !IsModifierKey(ShortCutKey(code))) {
            emit ShortCutPressed(code);
        }
        event->accept();
        return true;
    }
    if (event->type() == QEvent::ShortcutOverride) {
        // Every key is ours while the field has the focus, none a shortcut's.
        event->accept();
        return true;
    }
    return QLineEdit::event(event);
}

}  // namespace lyr
