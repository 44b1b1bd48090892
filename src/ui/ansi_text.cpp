// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ansi_text.h"

#include "platform/codepage.h"

namespace lyr {

QString FromAnsi(std::string_view text) {
    return QString::fromStdString(AnsiToUtf8(text));
}

std::string ToAnsi(const QString& text) {
    return Utf8ToAnsi(text.toStdString());
}

}  // namespace lyr
