// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QTimer>

namespace lyr {

class TrayHostWatcher;

// The program's icon in the notification area. It shows one of the five TrayIconImages, or,
// while the animation runs, the 14 receive images in turn, 100 ms each. A left click stops
// the animation and reports TrayIconClick; a right click opens the tray menu at the mouse
// cursor; a double click runs the menu's default item. When a tray host appears after the
// start, the icon is added to it anew (made inactive and active again), whatever Active()
// was, as the shell's restart broadcast did. Where the tray is a StatusNotifierItem host, the
// host draws the menu itself: the icon exports a plain copy of the tray menu over D-Bus that
// holds the very same items, so captions, check marks, enabled states and handlers agree.
class TrayIcon : public QObject {
    Q_OBJECT

public:
    static constexpr int kAnimationIntervalMs = 100;

    explicit TrayIcon(QObject* parent = nullptr);

    // The menu a right click opens; its default action is what a double click runs.
    void SetMenu(QMenu* TrayMenu);
    QMenu* Menu() const { return menu_; }
    // The menu exported to a StatusNotifierItem host, nullptr where the tray is XEmbed.
    QMenu* ExportedMenu() const { return icon_.contextMenu(); }

    // Present in the tray or not (the option UseSysIcon decides, through RefreshMenus).
    void SetActive(bool active);
    bool Active() const { return active_; }

    // The static image, 0..4; other numbers are ignored. Shown at once unless the animation
    // runs, in which case it shows when the animation stops.
    void SetImageIndex(int index);
    int ImageIndex() const { return imageIndex_; }

    void SetHint(const QString& hint);
    QString Hint() const { return icon_.toolTip(); }

    // The receive animation; starting it again while it runs changes nothing.
    void StartAnimation();
    void StopAnimation();
    bool Animating() const { return animation_.isActive(); }
    // The animation image on show, -1 when the static image is.
    int AnimationFrame() const { return Animating() ? frame_ : -1; }

    // What the shell's restart broadcast did: remove the icon and add it again.
    void TaskbarCreated();

    QSystemTrayIcon& SystemTrayIcon() { return icon_; }

signals:
    // A click on the icon with the left mouse button.
    void TrayIconClick();

private:
    void Activated(QSystemTrayIcon::ActivationReason reason);
    void ShowCurrentImage();
    void NextFrame();

    QSystemTrayIcon icon_;
    QList<QIcon> images_;
    QList<QIcon> animationImages_;
    QTimer animation_;
    QPointer<QMenu> menu_;
    TrayHostWatcher* hostWatcher_;
    bool active_ = false;
    int imageIndex_ = 0;
    int frame_ = 0;
};

}  // namespace lyr
