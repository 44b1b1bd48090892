// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/panes/url_links.h"

#include <QClipboard>
#include <QCursor>
#include <QDesktopServices>
#include <QGuiApplication>

#include "ui/panes/links.h"

namespace lyr {

UrlLinks::UrlLinks(QMenu* UrlPopupMenu, Opener opener, QObject* parent)
    : QObject(parent), urlPopupMenu_(UrlPopupMenu), opener_(std::move(opener)) {
    if (!opener_) {
        opener_ = [](const QUrl& url) { QDesktopServices::openUrl(url); };
    }
}

void UrlLinks::SendTextURLClick(const QString& URLText, Qt::MouseButton Button) {
    currentUrl_ = CurrentUrlText(URLText);
    if (Button == Qt::LeftButton) {
        if (urlPopupMenu_) {
            urlPopupMenu_->popup(QCursor::pos());
        }
    } else if (Button == Qt::RightButton) {
        Open(currentUrl_);
        currentUrl_.clear();
    }
}

void UrlLinks::N20Click() {
    if (!currentUrl_.isEmpty()) {
        Open(currentUrl_);
    }
    currentUrl_.clear();
}

void UrlLinks::N21Click() {
    QGuiApplication::clipboard()->setText(currentUrl_);
}

void UrlLinks::Open(const QString& link) {
    if (const std::optional<QUrl> target = LinkTarget(link)) {
        opener_(*target);
    }
}

}  // namespace lyr
