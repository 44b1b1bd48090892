// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

#include <functional>

namespace lyr {

// What a click on a link in a text pane does, for the main window's panes and the message
// window alike. The link is kept as CurrentUrl; a left click opens the link menu
// (UrlPopupMenu) at the mouse cursor, a right click opens the link at once. Only links the
// panes detect (http, https, ftp, mailto, www.) are ever opened; opening one that cannot be
// opened fails silently.
class UrlLinks : public QObject {
    Q_OBJECT

public:
    // Opens an address; the default hands it to the desktop (QDesktopServices::openUrl).
    using Opener = std::function<void(const QUrl&)>;

    explicit UrlLinks(QMenu* UrlPopupMenu, Opener opener = {}, QObject* parent = nullptr);

    // The link last clicked, at most 254 characters; empty when there is none.
    const QString& CurrentUrl() const { return currentUrl_; }

public slots:
    // A press and release of `Button` on the link `URLText` in a pane.
    void SendTextURLClick(const QString& URLText, Qt::MouseButton Button);
    // "Открыть ссылку": opens CurrentUrl, then forgets it.
    void N20Click();
    // "Копировать адрес ссылки": puts CurrentUrl on the clipboard; it stays.
    void N21Click();

private:
    void Open(const QString& link);

    QPointer<QMenu> urlPopupMenu_;
    Opener opener_;
    QString currentUrl_;
};

}  // namespace lyr
