// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/program/instance_server.h"

#include <QFile>
#include <QLocalSocket>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <memory>

#include "platform/local_socket.h"

namespace lyr {

// The socket and its clients, all on the server's thread.
class InstanceServer::Listener : public QObject {
public:
    explicit Listener(InstanceServer& owner) : owner_(owner) {}
    ~Listener() override { delete waiting_; }  // before the socket it watches closes

    // No access options: without write permission for others (the usual umask) only this user
    // can connect, and XDG_RUNTIME_DIR is the user's own anyway.
    bool Listen(const QString& socket_path) {
        socket_ = std::make_unique<LocalListener>(QFile::encodeName(socket_path).toStdString());
        if (!socket_->Listening())
            return false;
        waiting_ = new QSocketNotifier(socket_->Descriptor(), QSocketNotifier::Read, this);
        connect(waiting_, &QSocketNotifier::activated, this, &Listener::AnswerClients);
        return true;
    }

private:
    void AnswerClients() {
        int descriptor;
        while ((descriptor = socket_->Accept()) >= 0) {
            auto* client = new QLocalSocket(this);
            client->setSocketDescriptor(descriptor);
            connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
            connect(client, &QLocalSocket::readyRead, client, [this, client] { Read(client); });
            // A client that has gone leaves a descriptor for the next one.
            connect(client, &QObject::destroyed, waiting_, [this] { waiting_->setEnabled(true); });
        }
        // The process has no descriptor left: the client waits until one is closed (a client
        // of ours that ends, or any other, hence also a try a second later), instead of waking
        // this thread again and again.
        if (errno == EMFILE || errno == ENFILE) {
            waiting_->setEnabled(false);
            QTimer::singleShot(1000, waiting_, [this] { waiting_->setEnabled(true); });
        }
    }

    void Read(QLocalSocket* client) {
        // Requests are short lines; a client that sends a long one without a line break is
        // not one of ours.
        while (client->canReadLine()) {
            const QByteArray line = client->readLine(64);
            auto request = ParseInstanceRequest(line.toStdString());
            QPointer<QLocalSocket> to(client);
            // Posted to this thread, where the client lives; it may be gone by then.
            Reply reply = [this, to](const std::string& text) {
                QMetaObject::invokeMethod(
                    this,
                    [to, answer = text + "\n"] {
                        if (to)
                            to->write(answer.data(), static_cast<qint64>(answer.size()));
                    },
                    Qt::QueuedConnection);
            };
            if (request)
                owner_.Route(*request, std::move(reply));
            else
                reply(kInstanceError);
        }
        if (client->bytesAvailable() > 64)
            client->disconnectFromServer();
    }

    InstanceServer& owner_;
    std::unique_ptr<LocalListener> socket_;
    QSocketNotifier* waiting_ = nullptr;
};

InstanceServer::InstanceServer(InstanceServer::Answer window_answer,
                               InstanceServer::Answer own_answer)
    : window_answer_(std::move(window_answer)),
      own_answer_(std::move(own_answer)),
      listener_(new Listener(*this)) {
    thread_.setObjectName(QStringLiteral("instance socket"));
    listener_->moveToThread(&thread_);
    // Deleted on its own thread as that ends, with the socket and the clients.
    connect(&thread_, &QThread::finished, listener_, &QObject::deleteLater);
    thread_.start();
}

InstanceServer::~InstanceServer() {
    thread_.quit();
    thread_.wait();
}

bool InstanceServer::Listen(const QString& socket_path) {
    bool listening = false;
    QMetaObject::invokeMethod(
        listener_, [&] { listening = listener_->Listen(socket_path); },
        Qt::BlockingQueuedConnection);
    return listening;
}

void InstanceServer::Route(const InstanceRequest& request, Reply reply) {
    if (own_answer_ && request.kind != InstanceRequestKind::Show) {
        own_answer_(request, std::move(reply));
        return;
    }
    // Queued to this object, so nothing reaches the window once the server is gone.
    QMetaObject::invokeMethod(
        this, [this, request, reply = std::move(reply)] { window_answer_(request, reply); },
        Qt::QueuedConnection);
}

}  // namespace lyr
