// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/notify/desktop_notifier.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace lyr {
namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
const QString kAppName = QStringLiteral("Lyr Messenger");
const QString kIconName = QStringLiteral("lyrmessenger");
// The default action is what a click on the notification does; "Открыть" is its caption.
const QString kOpenAction = QStringLiteral("default");
const QString kReplyAction = QStringLiteral("reply");

constexpr int kBodyLines = 3;
// What is kept while the server has not answered, and of the notifications left open; a server
// that never tells of a closed one must not make the list grow without end.
constexpr size_t kMostWaiting = 20;
constexpr size_t kMostShown = 100;

QDBusMessage Call(const QString& method) {
    return QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
}

}  // namespace

QString NotificationBody(const QString& text, bool markup) {
    QStringList lines =
        QString(text).replace(QLatin1String("\r\n"), QLatin1String("\n")).split(QLatin1Char('\n'));
    if (lines.size() > kBodyLines) {
        lines = lines.mid(0, kBodyLines);
        lines.back() += QStringLiteral("…");
    }
    QString body = lines.join(QLatin1Char('\n'));
    if (markup) {
        body.replace(QLatin1Char('&'), QLatin1String("&amp;"))
            .replace(QLatin1Char('<'), QLatin1String("&lt;"))
            .replace(QLatin1Char('>'), QLatin1String("&gt;"));
    }
    return body;
}

DesktopNotifier::DesktopNotifier(QObject* parent) : QObject(parent) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return;
    }
    // From whichever process holds the name now or later.
    bus.connect(QString(), kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                SLOT(ActionInvoked(uint, QString)));
    bus.connect(QString(), kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                SLOT(NotificationClosed(uint, uint)));
}

void DesktopNotifier::Notify(int key, const QString& sender, const QString& text) {
    Queue({key, sender, text});
}

void DesktopNotifier::NotifyState(const QString& summary, const QString& body) {
    Queue({kNoMessage, summary, body});
}

void DesktopNotifier::Queue(const Request& request) {
    if (!QDBusConnection::sessionBus().isConnected()) {
        return;
    }
    if (capabilities_ == Capabilities::Known) {
        Send(request);
        return;
    }
    if (waiting_.size() < kMostWaiting) {
        waiting_.push_back(request);
    }
    AskCapabilities();
}

void DesktopNotifier::AskCapabilities() {
    if (capabilities_ != Capabilities::Unknown) {
        return;
    }
    capabilities_ = Capabilities::Asking;
    auto* watcher = new QDBusPendingCallWatcher(
        QDBusConnection::sessionBus().asyncCall(Call("GetCapabilities")), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* call) {
                call->deleteLater();
                const QDBusPendingReply<QStringList> reply = *call;
                std::deque<Request> waiting;
                waiting.swap(waiting_);
                if (reply.isError()) {
                    // No server: the messages go unnotified; a server that comes later is asked
                    // then.
                    capabilities_ = Capabilities::Unknown;
                    return;
                }
                capabilities_ = Capabilities::Known;
                actions_ = reply.value().contains(QStringLiteral("actions"));
                markup_ = reply.value().contains(QStringLiteral("body-markup"));
                for (const Request& request : waiting) {
                    Send(request);
                }
            });
}

void DesktopNotifier::Send(const Request& request) {
    const bool message = request.key != kNoMessage;
    QStringList actions;
    if (actions_ && message) {
        actions << kOpenAction << QStringLiteral("Открыть") << kReplyAction
                << QStringLiteral("Ответить");
    }
    const QVariantMap hints{{QStringLiteral("desktop-entry"), kIconName},
                            {QStringLiteral("category"),
                             message ? QStringLiteral("im.received") : QStringLiteral("network")}};
    QString body = request.text;
    if (message) {
        body = NotificationBody(body, markup_);
    } else if (markup_) {
        body = body.toHtmlEscaped();
    }
    QDBusMessage call = Call(QStringLiteral("Notify"));
    call << kAppName << 0u << kIconName << request.sender << body << actions << hints << -1;
    auto* watcher =
        new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call), this);
    const int key = request.key;
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, key](QDBusPendingCallWatcher* done) {
                done->deleteLater();
                const QDBusPendingReply<uint> reply = *done;
                if (reply.isError()) {
                    // The server has gone; the next message asks whoever serves then.
                    capabilities_ = Capabilities::Unknown;
                    return;
                }
                if (!actions_ || key == kNoMessage) {
                    return;
                }
                if (shown_.size() >= kMostShown) {
                    shown_.pop_front();
                }
                shown_.emplace_back(reply.value(), key);
            });
}

void DesktopNotifier::ActionInvoked(uint id, const QString& action) {
    for (const auto& [shown, key] : shown_) {
        if (shown != id) {
            continue;
        }
        if (action == kOpenAction) {
            emit OpenRequested(key);
        } else if (action == kReplyAction) {
            emit ReplyRequested(key);
        }
        return;
    }
}

void DesktopNotifier::NotificationClosed(uint id, uint) {
    std::erase_if(shown_, [id](const std::pair<uint, int>& entry) { return entry.first == id; });
}

}  // namespace lyr
