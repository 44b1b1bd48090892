// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusMessage>
#include <QObject>
#include <QString>
#include <QVariantMap>

namespace lyr {

// The program-wide hot key where the desktop, not the display, hands out key combinations
// (Wayland): the desktop portal's GlobalShortcuts interface. The program proposes its
// combination; the desktop asks the user once and keeps the binding, which the user changes
// in the desktop's settings. Every call goes out without waiting; without the portal or the
// interface nothing happens, and nothing is said.
class PortalShortcut : public QObject {
    Q_OBJECT

public:
    explicit PortalShortcut(QObject* parent = nullptr);

    // The combination to propose (a shortcut code), 0 for none. A portal session binds once:
    // the first code that is not 0 is proposed, later ones only where no session exists yet.
    void Propose(int ShortCutKey);

signals:
    void Activated();

private slots:
    void SessionCreated(uint response, const QVariantMap& results);
    void ShortcutsBound(uint response, const QVariantMap& results);
    void ShortcutActivated(const QDBusMessage& message);

private:
    void CheckInterface();
    void CreateSession();
    void BindShortcut();
    // The path of the request the portal makes for `token`; its Response goes to `slot`.
    QString ExpectResponse(const QString& token, const char* slot);

    bool present_ = false;
    bool creating_ = false;
    int proposed_ = 0;
    QString session_;
};

}  // namespace lyr
