// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringView>
#include <QUrl>

#include <optional>
#include <vector>

namespace lyr {

// Where a link lies in a text.
struct LinkSpan {
    qsizetype start = 0;
    qsizetype length = 0;

    friend bool operator==(const LinkSpan&, const LinkSpan&) = default;
};

// The links of a line of text: runs that begin with "http://", "https://", "ftp://",
// "mailto:" or "www." (any letter case) at the start of a word and go on to the next blank,
// control character or one of < > "; sentence punctuation at the end and a closing bracket
// without its opening one are not part of it.
std::vector<LinkSpan> FindLinks(QStringView text);

// The address a link text opens: a link of one of those schemes as it stands, "www." as an
// http address. Nothing for any other text, so no other scheme is ever opened.
std::optional<QUrl> LinkTarget(const QString& linkText);

// CurrentUrl keeps at most this many characters of a link (255 with its closing NUL).
inline constexpr qsizetype kMaximumCurrentUrlLength = 254;

// The link text as CurrentUrl keeps it: its first 254 characters, never half a character.
QString CurrentUrlText(const QString& linkText);

}  // namespace lyr
