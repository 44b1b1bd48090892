// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QKeyEvent>
#include <QLineEdit>

#include <cstdint>

namespace lyr {

// The shortcut code of a key press: its virtual key and the modifiers held. 0 when the key has
// no virtual key.
std::int32_t ShortCutOf(const QKeyEvent& event);

// A read-only field that turns every key pressed in it into a shortcut code, Tab and Enter
// included, and swallows the key. A modifier key pressed alone is swallowed without a code.
class ShortCutEdit : public QLineEdit {
    Q_OBJECT

public:
    explicit ShortCutEdit(QWidget* parent = nullptr);

    // Shows the text form of the hot key taken.
    void ShowShortCut(const QString& text);
    // Keeps the text shown and tells why the key pressed was not taken, at once and in the
    // field's hint until a key is taken.
    void Refuse(const QString& why);

signals:
    void ShortCutPressed(std::int32_t code);

protected:
    bool event(QEvent* event) override;
};

}  // namespace lyr
