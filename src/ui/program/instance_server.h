// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <string>

#include "app/instance_requests.h"

class QLocalServer;

namespace lyr {

// The running copy's end of the single-instance socket (see app/instance_requests.h): answers
// each request line of any local client with the line `answer` replies, at once or later.
class InstanceServer : public QObject {
    Q_OBJECT

public:
    // Takes the answer's line (without its line break); callable once, from any thread. A
    // client gone meanwhile gets nothing.
    using Reply = std::function<void(const std::string& line)>;
    using Answer = std::function<void(const InstanceRequest&, Reply reply)>;

    explicit InstanceServer(Answer answer, QObject* parent = nullptr);
    ~InstanceServer() override;

    // Takes the socket at `socket_path`. A socket file left by a copy that is gone (nobody
    // answers on it) is removed first. False when another copy listens there or the socket
    // cannot be made.
    bool Listen(const QString& socket_path);

private:
    void AnswerClient();

    Answer answer_;
    QLocalServer* server_;
};

}  // namespace lyr
