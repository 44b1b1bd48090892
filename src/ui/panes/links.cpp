// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/panes/links.h"

#include <algorithm>
#include <array>

namespace lyr {
namespace {

constexpr std::array<QLatin1StringView, 5> kLinkPrefixes = {
    QLatin1StringView("http://"), QLatin1StringView("https://"), QLatin1StringView("ftp://"),
    QLatin1StringView("mailto:"), QLatin1StringView("www."),
};

bool EndsLink(QChar character) {
    return character.isSpace() || character.category() == QChar::Other_Control ||
           character == u'<' || character == u'>' || character == u'"';
}

bool IsTrailingPunctuation(QChar character) {
    return QStringView(u".,;:!?'").contains(character);
}

// The link's length once punctuation that closes the sentence around it is left out.
qsizetype TrimmedLength(QStringView link) {
    qsizetype length = link.size();
    while (length > 0) {
        const QChar last = link[length - 1];
        const QStringView kept = link.first(length);
        if (IsTrailingPunctuation(last) || (last == u')' && kept.count(u'(') < kept.count(u')')) ||
            (last == u']' && kept.count(u'[') < kept.count(u']'))) {
            --length;
        } else {
            break;
        }
    }
    return length;
}

qsizetype PrefixAt(QStringView text, qsizetype position) {
    if (position > 0 && text[position - 1].isLetterOrNumber()) {
        return 0;
    }
    for (const QLatin1StringView prefix : kLinkPrefixes) {
        if (text.mid(position).startsWith(prefix, Qt::CaseInsensitive)) {
            return prefix.size();
        }
    }
    return 0;
}

}  // namespace

std::vector<LinkSpan> FindLinks(QStringView text) {
    std::vector<LinkSpan> links;
    qsizetype position = 0;
    while (position < text.size()) {
        const qsizetype prefix = PrefixAt(text, position);
        if (prefix == 0) {
            ++position;
            continue;
        }
        qsizetype end = position + prefix;
        while (end < text.size() && !EndsLink(text[end])) {
            ++end;
        }
        const qsizetype length = TrimmedLength(text.mid(position, end - position));
        if (length > prefix) {
            links.push_back({position, length});
            position += length;
        } else {
            position += prefix;
        }
    }
    return links;
}

std::optional<QUrl> LinkTarget(const QString& linkText) {
    // A link as the panes find them: one of the prefixes, something after it, and nothing
    // that would end a link (which would open text beside the link as part of the address).
    const qsizetype prefix = PrefixAt(linkText, 0);
    if (prefix == 0 || linkText.size() == prefix ||
        std::any_of(linkText.begin(), linkText.end(), EndsLink)) {
        return std::nullopt;
    }
    QString address = linkText;
    if (address.startsWith(QLatin1String("www."), Qt::CaseInsensitive)) {
        address.prepend(QLatin1String("http://"));
    }
    const QUrl url(address, QUrl::TolerantMode);
    const bool needsHost = url.scheme() != QLatin1String("mailto");
    if (!url.isValid() || (needsHost && url.host().isEmpty())) {
        return std::nullopt;
    }
    return url;
}

QString CurrentUrlText(const QString& linkText) {
    if (linkText.size() <= kMaximumCurrentUrlLength) {
        return linkText;
    }
    qsizetype length = kMaximumCurrentUrlLength;
    if (linkText[length - 1].isHighSurrogate()) {
        --length;
    }
    return linkText.left(length);
}

}  // namespace lyr
