// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/panes/link_text_pane.h"

#include "ui/plain_text.h"

#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QSyntaxHighlighter>
#include <QTextBlock>

#include "ui/skin/skin.h"

namespace lyr {
namespace {

// Links are blue, a light blue on the dark backgrounds skins give the panes.
QColor LinkColorOn(const QColor& background) {
    return ContrastColor(ToColorRef(background)) == kWhite ? QColor(120, 176, 255)
                                                           : QColor(0, 0, 224);
}

}  // namespace

// Underlines the links of each line; it formats the layout only, never the text itself.
class LinkTextPane::LinkHighlighter : public QSyntaxHighlighter {
public:
    LinkHighlighter(QTextDocument* document, const QColor& color) : QSyntaxHighlighter(document) {
        SetColor(color);
    }

    void SetColor(const QColor& color) {
        format_.setForeground(color);
        format_.setFontUnderline(true);
    }

protected:
    void highlightBlock(const QString& text) override {
        for (const LinkSpan& link : FindLinks(text)) {
            setFormat(static_cast<int>(link.start), static_cast<int>(link.length), format_);
        }
    }

private:
    QTextCharFormat format_;
};

LinkTextPane::LinkTextPane(QWidget* parent)
    : QPlainTextEdit(parent),
      linkColor_(LinkColorOn(palette().color(QPalette::Base))),
      highlighter_(new LinkHighlighter(document(), linkColor_)) {
    setMouseTracking(true);
    viewport()->setMouseTracking(true);
}

void LinkTextPane::SetText(const QString& text) {
    QString lines = ShownPart(text);
    lines.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    lines.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    setPlainText(lines);
}

QString LinkTextPane::Text() const {
    // Lines end in CR LF, whatever broke them: Enter (a paragraph separator), Shift+Enter (a
    // line separator), or a lone LF or CR that a paste brought.
    QString text = document()->toRawText();
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    for (const QChar separator :
         {QChar(QChar::ParagraphSeparator), QChar(QChar::LineSeparator), QChar(u'\r')}) {
        text.replace(separator, QLatin1Char('\n'));
    }
    text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return text;
}

void LinkTextPane::SetWordWrap(bool wrap) {
    setLineWrapMode(wrap ? WidgetWidth : NoWrap);
}

void LinkTextPane::EmphasizeFirstLine() {
    QTextCursor cursor(document()->firstBlock());
    cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    QTextCharFormat format;
    format.setFontWeight(QFont::Bold);
    format.setFontItalic(true);
    cursor.mergeCharFormat(format);
}

int LinkTextPane::CharacterAt(QPoint position) const {
    const QTextCursor nearest = cursorForPosition(position);
    const QTextBlock block = nearest.block();
    const int first = block.position();
    const int end = first + block.length() - 1;  // the block's own text, without its break
    // The nearest caret place lies on either side of the character under the point.
    for (const int character : {nearest.position(), nearest.position() - 1}) {
        if (character < first || character >= end) {
            continue;
        }
        QTextCursor before(document());
        before.setPosition(character);
        QTextCursor after(document());
        after.setPosition(character + 1);
        const QRect left = cursorRect(before);
        const QRect right = cursorRect(after);
        const bool sameLine = left.top() == right.top();
        const int rightEdge =
            sameLine
                ? right.left()
                : left.left() + fontMetrics().horizontalAdvance(block.text()[character - first]);
        if (position.y() >= left.top() && position.y() <= left.bottom() &&
            position.x() >= left.left() && position.x() < rightEdge) {
            return character;
        }
    }
    return -1;
}

std::optional<LinkTextPane::LinkPlace> LinkTextPane::LinkPlaceAt(QPoint position) const {
    const int character = CharacterAt(position);
    if (character < 0) {
        return std::nullopt;
    }
    const QTextBlock block = document()->findBlock(character);
    const qsizetype inBlock = character - block.position();
    for (const LinkSpan& link : FindLinks(block.text())) {
        if (inBlock >= link.start && inBlock < link.start + link.length) {
            return LinkPlace{block.blockNumber(), link};
        }
    }
    return std::nullopt;
}

QString LinkTextPane::LinkAt(QPoint position) const {
    const std::optional<LinkPlace> place = LinkPlaceAt(position);
    if (!place) {
        return {};
    }
    return document()
        ->findBlockByNumber(place->block)
        .text()
        .mid(place->span.start, place->span.length);
}

void LinkTextPane::mousePressEvent(QMouseEvent* event) {
    pressedLink_.reset();
    pressedButton_ = event->button();
    if (event->button() == Qt::LeftButton || event->button() == Qt::RightButton) {
        pressedLink_ = LinkPlaceAt(event->position().toPoint());
    }
    QPlainTextEdit::mousePressEvent(event);
}

void LinkTextPane::mouseReleaseEvent(QMouseEvent* event) {
    const std::optional<LinkPlace> released = LinkPlaceAt(event->position().toPoint());
    const bool clicked =
        pressedLink_ && released == pressedLink_ && event->button() == pressedButton_;
    const QString link = clicked ? LinkAt(event->position().toPoint()) : QString();
    pressedLink_.reset();
    QPlainTextEdit::mouseReleaseEvent(event);
    if (clicked) {
        emit UrlClicked(link, event->button());
    }
}

void LinkTextPane::mouseMoveEvent(QMouseEvent* event) {
    const bool overLink = LinkPlaceAt(event->position().toPoint()).has_value();
    if (overLink != overLink_) {
        overLink_ = overLink;
        if (overLink) {
            viewport()->setCursor(Qt::PointingHandCursor);
        } else {
            viewport()->setCursor(Qt::IBeamCursor);
        }
    }
    QPlainTextEdit::mouseMoveEvent(event);
}

void LinkTextPane::contextMenuEvent(QContextMenuEvent* event) {
    // A right click on a link opens the link when the button comes up, not a menu.
    if (event->reason() == QContextMenuEvent::Mouse && LinkPlaceAt(event->pos())) {
        event->accept();
        return;
    }
    if (contextMenu_) {
        contextMenu_->popup(event->globalPos());
        event->accept();
        return;
    }
    QPlainTextEdit::contextMenuEvent(event);
}

void LinkTextPane::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange) {
        const QColor color = LinkColorOn(palette().color(QPalette::Base));
        if (color != linkColor_) {
            linkColor_ = color;
            highlighter_->SetColor(color);
            highlighter_->rehighlight();
        }
    }
    QPlainTextEdit::changeEvent(event);
}

}  // namespace lyr
