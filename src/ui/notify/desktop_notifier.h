// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <deque>
#include <utility>

namespace lyr {

// The body of a message's notification: its first lines (the rest stands as "…"), with the
// characters of markup escaped when the server reads markup.
QString NotificationBody(const QString& text, bool markup);

// Desktop notifications of received messages through the session's notification server
// (org.freedesktop.Notifications). Every call on the bus is asynchronous: without a session
// bus or a server nothing happens, and nothing waits. The server's capabilities are asked
// once; its actions are offered only when it has them.
class DesktopNotifier : public QObject {
    Q_OBJECT

public:
    explicit DesktopNotifier(QObject* parent = nullptr);

    // A notification with `sender` as its summary and the first lines of `text`; `key` comes
    // back with the action the user takes on it.
    void Notify(int key, const QString& sender, const QString& text);
    // A notification of the program's own state: no actions, the whole body.
    void NotifyState(const QString& summary, const QString& body);

signals:
    void OpenRequested(int key);   // "Открыть", or a click on the notification
    void ReplyRequested(int key);  // "Ответить"

private slots:
    void ActionInvoked(uint id, const QString& action);
    void NotificationClosed(uint id, uint reason);

private:
    struct Request {
        int key;  // kNoMessage for the program's own state
        QString sender;
        QString text;
    };
    static constexpr int kNoMessage = -1;
    void Queue(const Request& request);
    void AskCapabilities();
    void Send(const Request& request);

    enum class Capabilities { Unknown, Asking, Known } capabilities_ = Capabilities::Unknown;
    bool actions_ = false;
    bool markup_ = false;
    std::deque<Request> waiting_;             // until the capabilities are known
    std::deque<std::pair<uint, int>> shown_;  // notification id and key, the open ones
};

}  // namespace lyr
