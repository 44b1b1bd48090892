// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/keys/shortcut_code.h"

#include "ui/keys/virtual_keys.h"

namespace lyr {
namespace {

struct ModifierBit {
    int bit;
    Qt::KeyboardModifier qtModifier;
};
constexpr ModifierBit kModifiers[] = {
    {kShortCutShift, Qt::ShiftModifier},
    {kShortCutCtrl, Qt::ControlModifier},
    {kShortCutAlt, Qt::AltModifier},
};

int ModifierBits(Qt::KeyboardModifiers modifiers) {
    int bits = 0;
    for (const ModifierBit& modifier : kModifiers) {
        if (modifiers & modifier.qtModifier) {
            bits |= modifier.bit;
        }
    }
    return bits;
}

}  // namespace

QString ShortCutToText(int code) {
    return QString::fromStdString(ShortCutText(code));
}

int TextToShortCut(const QString& text) {
    return ShortCutFromText(text.toStdString());
}

QKeySequence ShortCutToKeySequence(int code) {
    const VirtualKey* key = FindVirtualKey(ShortCutKey(code));
    if (key == nullptr || key->qtKey == 0) {
        return {};
    }
    Qt::KeyboardModifiers modifiers = key->keypad ? Qt::KeypadModifier : Qt::NoModifier;
    for (const ModifierBit& modifier : kModifiers) {
        if (code & modifier.bit) {
            modifiers |= modifier.qtModifier;
        }
    }
    return QKeySequence(QKeyCombination(modifiers, static_cast<Qt::Key>(key->qtKey)));
}

int KeySequenceToShortCut(const QKeySequence& sequence) {
    if (sequence.isEmpty()) {
        return 0;
    }
    const QKeyCombination combination = sequence[0];
    return ShortCutFromKey(combination.key(), combination.keyboardModifiers());
}

int ShortCutFromKey(int qtKey, Qt::KeyboardModifiers modifiers) {
    const int key = VirtualKeyFromQtKey(qtKey, modifiers.testFlag(Qt::KeypadModifier));
    return key == 0 ? 0 : (key | ModifierBits(modifiers));
}

}  // namespace lyr
