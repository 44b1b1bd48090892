// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>
#include <QThread>

#include <cstdint>
#include <functional>
#include <string>

#include "app/instance_requests.h"

namespace lyr {

// The running copy's end of the single-instance socket (see app/instance_requests.h), on a
// thread of its own: a window busy for minutes must not make its copy look gone. Each request
// line of any local client is answered with the line an answer replies, at once or later.
class InstanceServer : public QObject {
public:
    // Takes the answer's line (without its line break); callable once, from any thread, while
    // the server exists. A client gone meanwhile gets nothing.
    using Reply = std::function<void(const std::string& line)>;
    using Answer = std::function<void(const InstanceRequest&, Reply reply)>;

    // `window_answer` runs on the thread that makes the server and gets the requests that need
    // the window (show or hide), and every request when there is no `own_answer`; `own_answer`
    // runs on the server's thread and gets the rest.
    explicit InstanceServer(Answer window_answer, Answer own_answer = {});
    ~InstanceServer() override;

    // Takes the socket at `socket_path`. A socket file left by a copy that is gone (nobody
    // answers on it) is removed first. False when another copy listens there or the socket
    // cannot be made.
    bool Listen(const QString& socket_path);

private:
    class Listener;
    void Route(const InstanceRequest& request, Reply reply);

    const Answer window_answer_;
    const Answer own_answer_;
    QThread thread_;
    Listener* listener_;  // lives on thread_
};

}  // namespace lyr
