// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/keys/portal/portal_shortcut.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>

#include "ui/keys/shortcut_code.h"
#include "ui/program/ui_log.h"

namespace lyr {
namespace {

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString kShortcutId = QStringLiteral("show");

// One shortcut as BindShortcuts takes it: (sa{sv}).
struct ShortcutEntry {
    QString id;
    QVariantMap properties;
};

QDBusArgument& operator<<(QDBusArgument& argument, const ShortcutEntry& entry) {
    argument.beginStructure();
    argument << entry.id << entry.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, ShortcutEntry& entry) {
    argument.beginStructure();
    argument >> entry.id >> entry.properties;
    argument.endStructure();
    return argument;
}

}  // namespace
}  // namespace lyr

Q_DECLARE_METATYPE(lyr::ShortcutEntry)

namespace lyr {
namespace {

// The combination in the spelling of the desktop's shortcut settings ("CTRL+ALT+m"): the
// modifiers in capitals, a letter as its lower-case key name.
QString Trigger(int ShortCutKey) {
    QStringList parts = ShortCutToText(ShortCutKey).split(QLatin1Char('+'));
    if (parts.isEmpty() || parts.last().isEmpty()) {
        return {};
    }
    QString key = parts.takeLast();
    if (key.size() == 1) {
        key = key.toLower();
    }
    for (QString& modifier : parts) {
        modifier = modifier.toUpper();
    }
    parts.append(key);
    return parts.join(QLatin1Char('+'));
}

QDBusMessage PortalCall(const QString& method) {
    return QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
}

}  // namespace

PortalShortcut::PortalShortcut(QObject* parent) : QObject(parent) {
    qDBusRegisterMetaType<ShortcutEntry>();
    qDBusRegisterMetaType<QList<ShortcutEntry>>();
    CheckInterface();
}

void PortalShortcut::Propose(int ShortCutKey) {
    if (ShortCutKey == 0 || proposed_ != 0) {
        return;
    }
    proposed_ = ShortCutKey;
    if (present_) {
        CreateSession();
    }
}

void PortalShortcut::CheckInterface() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return;
    }
    QDBusMessage get = QDBusMessage::createMethodCall(
        kService, kPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << kInterface << QStringLiteral("version");
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(get), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* call) {
                call->deleteLater();
                if (call->isError()) {
                    return;
                }
                present_ = true;
                QDBusConnection::sessionBus().connect(kService, kPath, kInterface,
                                                      QStringLiteral("Activated"), this,
                                                      SLOT(ShortcutActivated(QDBusMessage)));
                if (proposed_ != 0) {
                    CreateSession();
                }
            });
}

QString PortalShortcut::ExpectResponse(const QString& token, const char* slot) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    // The portal names the request after the caller's unique name and the token; listening
    // before the call leaves no gap for the answer to slip through.
    const QString sender = bus.baseService().mid(1).replace(QLatin1Char('.'), QLatin1Char('_'));
    const QString request = kPath + QStringLiteral("/request/") + sender + QLatin1Char('/') + token;
    bus.connect(kService, request, QStringLiteral("org.freedesktop.portal.Request"),
                QStringLiteral("Response"), this, slot);
    return request;
}

void PortalShortcut::CreateSession() {
    if (creating_ || !session_.isEmpty()) {
        return;
    }
    creating_ = true;
    const QString token = QStringLiteral("lyr_session_request");
    ExpectResponse(token, SLOT(SessionCreated(uint, QVariantMap)));
    QDBusMessage call = PortalCall(QStringLiteral("CreateSession"));
    call << QVariantMap{{QStringLiteral("handle_token"), token},
                        {QStringLiteral("session_handle_token"), QStringLiteral("lyr_messenger")}};
    QDBusConnection::sessionBus().asyncCall(call);
}

void PortalShortcut::SessionCreated(uint response, const QVariantMap& results) {
    creating_ = false;
    if (response != 0) {
        return;
    }
    const QVariant handle = results.value(QStringLiteral("session_handle"));
    session_ = handle.metaType() == QMetaType::fromType<QDBusObjectPath>()
                   ? handle.value<QDBusObjectPath>().path()
                   : handle.toString();
    if (!session_.isEmpty()) {
        BindShortcut();
    }
}

void PortalShortcut::BindShortcut() {
    const QString token = QStringLiteral("lyr_bind_request");
    ExpectResponse(token, SLOT(ShortcutsBound(uint, QVariantMap)));
    QVariantMap properties{
        {QStringLiteral("description"), QStringLiteral("Показать Lyr Messenger")}};
    const QString trigger = Trigger(proposed_);
    if (!trigger.isEmpty()) {
        properties.insert(QStringLiteral("preferred_trigger"), trigger);
    }
    QDBusMessage call = PortalCall(QStringLiteral("BindShortcuts"));
    call << QVariant::fromValue(QDBusObjectPath(session_))
         << QVariant::fromValue(QList<ShortcutEntry>{{kShortcutId, properties}}) << QString()
         << QVariantMap{{QStringLiteral("handle_token"), token}};
    QDBusConnection::sessionBus().asyncCall(call);
}

void PortalShortcut::ShortcutsBound(uint response, const QVariantMap&) {
    // The user may have declined it in the desktop's dialog: the hot key then does nothing.
    if (response != 0)
        qCWarning(lcUi) << "the desktop did not bind the hot key (answer" << response << ")";
}

void PortalShortcut::ShortcutActivated(const QDBusMessage& message) {
    // (session, shortcut id, timestamp, options)
    const QList<QVariant> arguments = message.arguments();
    if (arguments.size() >= 2 && !session_.isEmpty() &&
        arguments[0].value<QDBusObjectPath>().path() == session_ &&
        arguments[1].toString() == kShortcutId) {
        emit Activated();
    }
}

}  // namespace lyr
