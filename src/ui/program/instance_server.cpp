// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/program/instance_server.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>

namespace lyr {

InstanceServer::InstanceServer(Answer answer, QObject* parent)
    : QObject(parent), answer_(std::move(answer)), server_(new QLocalServer(this)) {
    // No access options: with them Qt binds elsewhere and renames the socket over the path,
    // taking it from a live copy. Without write permission for others (the usual umask) only
    // this user can connect, and XDG_RUNTIME_DIR is the user's own anyway.
    connect(server_, &QLocalServer::newConnection, this, &InstanceServer::AnswerClient);
}

InstanceServer::~InstanceServer() = default;

bool InstanceServer::Listen(const QString& socket_path) {
    if (server_->listen(socket_path))
        return true;
    if (server_->serverError() != QAbstractSocket::AddressInUseError)
        return false;
    QLocalSocket probe;
    probe.connectToServer(socket_path);
    if (probe.waitForConnected(1000))
        return false;  // a live copy holds it
    QLocalServer::removeServer(socket_path);
    return server_->listen(socket_path);
}

void InstanceServer::AnswerClient() {
    while (QLocalSocket* client = server_->nextPendingConnection()) {
        connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
        connect(client, &QLocalSocket::readyRead, client, [this, client] {
            // Requests are short lines; a client that sends a long one without a line break
            // is not one of ours.
            while (client->canReadLine()) {
                const QByteArray line = client->readLine(64);
                auto request = ParseInstanceRequest(line.toStdString());
                QPointer<QLocalSocket> to(client);
                // Posted to the server, which outlives every answer; the client may be gone.
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
                    answer_(*request, std::move(reply));
                else
                    reply(kInstanceError);
            }
            if (client->bytesAvailable() > 64)
                client->disconnectFromServer();
        });
    }
}

}  // namespace lyr
