// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QKeySequence>
#include <QString>

#include "app/shortcut_text.h"

namespace lyr {

// Shortcut codes (app/shortcut_text.h) where Qt meets them: their texts as QString, and the
// key sequences of the menus.

// The text form: "Shift+", "Ctrl+", "Alt+" for the modifiers, in this order, then the key's
// name ("Ctrl+P", "Shift+F1", "Ins"). Empty for 0 and for a key without a name.
QString ShortCutToText(int code);

// The code of a text form; the modifiers may come in any order and any letter case. 0 when
// the text names no key.
int TextToShortCut(const QString& text);

// The same shortcut as Qt spells it; empty for 0 and for keys Qt has no name for.
QKeySequence ShortCutToKeySequence(int code);

// The code of the first key combination of `sequence`; 0 when there is none.
int KeySequenceToShortCut(const QKeySequence& sequence);

// The code of a key pressed with `modifiers` (a key event's key() and modifiers()); 0 for a
// key without a code.
int ShortCutFromKey(int qtKey, Qt::KeyboardModifiers modifiers);

}  // namespace lyr
