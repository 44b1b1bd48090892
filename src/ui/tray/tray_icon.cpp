// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/tray/tray_icon.h"

#include <QCursor>
#include <QPixmap>

#include "ui/plain_text.h"
#include "ui/tray/artwork.h"
#include "ui/tray/tray_host_watcher.h"

namespace lyr {
namespace {

QList<QIcon> IconsOf(const QList<QImage>& images) {
    QList<QIcon> icons;
    for (const QImage& image : images) {
        icons.append(QIcon(QPixmap::fromImage(image)));
    }
    return icons;
}

// A plain menu of the same actions as `source`; each submenu a plain menu again, its entry
// following the original entry's caption, icon and state.
QMenu* MirrorMenu(QMenu* source, QWidget* parent) {
    auto* mirror = new QMenu(parent);
    for (QAction* action : source->actions()) {
        if (action->menu() == nullptr) {
            mirror->addAction(action);
            continue;
        }
        QMenu* submenu = MirrorMenu(action->menu(), mirror);
        QAction* entry = mirror->addMenu(submenu);
        const auto follow = [entry, action] {
            entry->setText(action->text());
            entry->setIcon(action->icon());
            entry->setEnabled(action->isEnabled());
            entry->setVisible(action->isVisible());
        };
        follow();
        QObject::connect(action, &QAction::changed, entry, follow);
    }
    return mirror;
}

}  // namespace

TrayIcon::TrayIcon(QObject* parent)
    : QObject(parent),
      images_(IconsOf(TrayIconImages())),
      animationImages_(IconsOf(ReceiveAnimationImages())),
      hostWatcher_(new TrayHostWatcher(this)) {
    animation_.setInterval(kAnimationIntervalMs);
    connect(&animation_, &QTimer::timeout, this, &TrayIcon::NextFrame);
    connect(&icon_, &QSystemTrayIcon::activated, this, &TrayIcon::Activated);
    connect(hostWatcher_, &TrayHostWatcher::TrayHostAppeared, this, &TrayIcon::TaskbarCreated);
    ShowCurrentImage();
}

void TrayIcon::SetMenu(QMenu* TrayMenu) {
    menu_ = TrayMenu;
    delete icon_.contextMenu();
    // An XEmbed tray would pop a context menu up itself; there the owner-drawn one is ours to
    // show (Activated).
    if (TrayMenu != nullptr && TrayHostWatcher::StatusNotifierTray()) {
        icon_.setContextMenu(MirrorMenu(TrayMenu, TrayMenu));
    }
}

void TrayIcon::SetActive(bool active) {
    active_ = active;
    // Without a tray host there is nowhere to show it; TaskbarCreated adds it once one comes.
    icon_.setVisible(active && QSystemTrayIcon::isSystemTrayAvailable());
}

void TrayIcon::SetImageIndex(int index) {
    if (index < 0 || index >= images_.size()) {
        return;
    }
    imageIndex_ = index;
    if (!Animating()) {
        ShowCurrentImage();
    }
}

void TrayIcon::SetHint(const QString& hint) {
    icon_.setToolTip(PlainToolTip(hint));
}

void TrayIcon::StartAnimation() {
    if (Animating()) {
        return;
    }
    frame_ = 0;
    icon_.setIcon(animationImages_.value(frame_));
    animation_.start();
}

void TrayIcon::StopAnimation() {
    if (!Animating()) {
        return;
    }
    animation_.stop();
    ShowCurrentImage();
}

void TrayIcon::TaskbarCreated() {
    icon_.hide();
    SetActive(true);
}

void TrayIcon::Activated(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
        case QSystemTrayIcon::Trigger:
            StopAnimation();
            emit TrayIconClick();
            break;
        case QSystemTrayIcon::Context:
            // A StatusNotifierItem host shows the exported menu itself.
            if (menu_ && ExportedMenu() == nullptr) {
                menu_->popup(QCursor::pos());
            }
            break;
        case QSystemTrayIcon::DoubleClick:
            if (menu_ && menu_->defaultAction()) {
                menu_->defaultAction()->trigger();
            }
            break;
        default:
            break;
    }
}

void TrayIcon::ShowCurrentImage() {
    icon_.setIcon(images_.value(imageIndex_));
}

void TrayIcon::NextFrame() {
    frame_ = (frame_ + 1) % static_cast<int>(animationImages_.size());
    icon_.setIcon(animationImages_.value(frame_));
}

}  // namespace lyr
