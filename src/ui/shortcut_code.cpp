#include "ui/shortcut_code.h"

#include "ui/virtual_keys.h"

namespace lyr {
namespace {

struct ModifierName {
    int bit;
    const char* text;
    Qt::KeyboardModifier qtModifier;
};
constexpr ModifierName kModifiers[] = {
    {kShortCutShift, "Shift+", Qt::ShiftModifier},
    {kShortCutCtrl, "Ctrl+", Qt::ControlModifier},
    {kShortCutAlt, "Alt+", Qt::AltModifier},
};

int ModifierBits(Qt::KeyboardModifiers modifiers) {
    int bits = 0;
    for (const ModifierName& modifier : kModifiers) {
        if (modifiers & modifier.qtModifier) {
            bits |= modifier.bit;
        }
    }
    return bits;
}

}  // namespace

QString ShortCutToText(int code) {
    const VirtualKey* key = FindVirtualKey(ShortCutKey(code));
    if (key == nullptr || key->name == nullptr) {
        return {};
    }
    QString text;
    for (const ModifierName& modifier : kModifiers) {
        if (code & modifier.bit) {
            text += QLatin1String(modifier.text);
        }
    }
    return text + QLatin1String(key->name);
}

int TextToShortCut(const QString& text) {
    QStringView rest(text);
    int modifiers = 0;
    for (bool found = true; found;) {
        found = false;
        for (const ModifierName& modifier : kModifiers) {
            const QLatin1String prefix(modifier.text);
            if (rest.startsWith(prefix, Qt::CaseInsensitive)) {
                modifiers |= modifier.bit;
                rest = rest.mid(prefix.size());
                found = true;
            }
        }
    }
    for (const VirtualKey& key : VirtualKeys()) {
        if (key.name != nullptr &&
            rest.compare(QLatin1String(key.name), Qt::CaseInsensitive) == 0) {
            return key.code | modifiers;
        }
    }
    return 0;
}

QKeySequence ShortCutToKeySequence(int code) {
    const VirtualKey* key = FindVirtualKey(ShortCutKey(code));
    if (key == nullptr || key->qtKey == 0) {
        return {};
    }
    Qt::KeyboardModifiers modifiers = key->keypad ? Qt::KeypadModifier : Qt::NoModifier;
    for (const ModifierName& modifier : kModifiers) {
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
