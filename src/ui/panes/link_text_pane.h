// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>

#include <optional>

#include "ui/panes/links.h"

namespace lyr {

// A text pane for texts that come from anybody on the network: it shows plain text only,
// never markup, with the links that FindLinks finds underlined in blue (a light blue on a dark
// background) and clickable. A press and release of the left or right button on the same link
// reports UrlClicked (the right button then opens no context menu). Serves as RecText, SendText
// (editable) and the message window's MsgText.
class LinkTextPane : public QPlainTextEdit {
    Q_OBJECT

public:
    explicit LinkTextPane(QWidget* parent = nullptr);

    // Replaces the text; CR LF, CR and LF all break lines.
    void SetText(const QString& text);
    // The text with CR LF between lines, as the message files keep it.
    QString Text() const;

    void SetWordWrap(bool wrap);
    bool WordWrap() const { return lineWrapMode() != NoWrap; }

    // Sets the first line in bold italic (the sender line of the receive pane).
    void EmphasizeFirstLine();

    // The menu a right click away from links opens; without one the pane's own menu opens.
    void SetContextMenu(QMenu* menu) { contextMenu_ = menu; }

    // The text of the link under `position` (viewport coordinates), or an empty string.
    QString LinkAt(QPoint position) const;

signals:
    void UrlClicked(const QString& URLText, Qt::MouseButton Button);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    struct LinkPlace {
        int block = -1;
        LinkSpan span;
        friend bool operator==(const LinkPlace&, const LinkPlace&) = default;
    };
    std::optional<LinkPlace> LinkPlaceAt(QPoint position) const;
    int CharacterAt(QPoint position) const;

    class LinkHighlighter;
    QColor linkColor_;
    LinkHighlighter* highlighter_;
    QPointer<QMenu> contextMenu_;
    std::optional<LinkPlace> pressedLink_;
    Qt::MouseButton pressedButton_ = Qt::NoButton;
    bool overLink_ = false;
};

}  // namespace lyr
