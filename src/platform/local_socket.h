// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace lyr {

// Connects to the local stream socket at `path`, sends `request` and takes the answer up to a
// line break or `longest_answer` bytes, whichever comes first, waiting at most
// `timeout_milliseconds` for each part. Nothing when the path cannot be a socket's, nobody
// listens there, or the answer ends or stops coming before that.
std::optional<std::string> AskLocalSocket(const std::string& path, std::string_view request,
                                          size_t longest_answer, int timeout_milliseconds);

// Whether a live process listens on the local stream socket at `path`, whether or not it
// would answer: a process stopped or busy still holds its socket. Never waits.
bool SomeoneListensAt(const std::string& path);

// A listening local stream socket that can take one client more even when the process has no
// descriptor left: it holds one back and gives it up for that client, taking it again later.
// A server that cannot take a client would leave it waiting unanswered, or give the socket up.
class LocalListener {
public:
    // Listens at `path` (non-blocking); a socket file nobody listens on any more is replaced.
    // Not Listening() when another process listens there or the socket cannot be made.
    explicit LocalListener(const std::string& path);
    ~LocalListener();  // closes the socket and removes its file
    LocalListener(const LocalListener&) = delete;
    LocalListener& operator=(const LocalListener&) = delete;

    bool Listening() const { return socket_ >= 0; }
    int Descriptor() const { return socket_; }
    // The next waiting client's descriptor (non-blocking, close-on-exec); -1 when none waits or
    // none can be taken now (errno EMFILE or ENFILE: not before a descriptor is closed).
    int Accept();

private:
    std::string path_;
    int socket_ = -1;
    int spare_ = -1;
};

}  // namespace lyr
