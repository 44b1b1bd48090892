// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/local_socket.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "base/unique_fd.h"

namespace lyr {
namespace {

bool WaitFor(int descriptor, short events, int timeout_milliseconds) {
    pollfd entry{descriptor, events, 0};
    int result;
    do {
        result = ::poll(&entry, 1, timeout_milliseconds);
    } while (result < 0 && errno == EINTR);
    return result > 0;
}

}  // namespace

std::optional<std::string> AskLocalSocket(const std::string& path, std::string_view request,
                                          size_t longest_answer, int timeout_milliseconds) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof(address.sun_path))
        return std::nullopt;
    std::memcpy(address.sun_path, path.data(), path.size());
    UniqueFd socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!socket)
        return std::nullopt;
    // A listener that takes no one fills its backlog, where a blocking connect would wait for
    // ever: a full backlog is tried again until the time is up.
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_milliseconds);
    while (::connect(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address)) !=
           0) {
        if (errno != EAGAIN || std::chrono::steady_clock::now() >= deadline)
            return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (::send(socket.get(), request.data(), request.size(), MSG_NOSIGNAL) !=
        static_cast<ssize_t>(request.size())) {
        return std::nullopt;
    }
    std::string answer;
    std::vector<char> buffer(longest_answer);
    while (answer.find('\n') == std::string::npos && answer.size() < longest_answer) {
        if (!WaitFor(socket.get(), POLLIN, timeout_milliseconds))
            return std::nullopt;
        ssize_t got = ::recv(socket.get(), buffer.data(), buffer.size(), 0);
        if (got <= 0)
            return std::nullopt;
        answer.append(buffer.data(), static_cast<size_t>(got));
    }
    return answer;
}

bool SomeoneListensAt(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof(address.sun_path))
        return false;
    std::memcpy(address.sun_path, path.data(), path.size());
    UniqueFd socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!socket)
        return false;
    if (::connect(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0)
        return true;
    // A full backlog: the listener is there, it only takes no one at the moment. A socket
    // file that nobody holds any more refuses.
    return errno == EAGAIN;
}

LocalListener::LocalListener(const std::string& path) : path_(path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof(address.sun_path))
        return;
    std::memcpy(address.sun_path, path.data(), path.size());
    UniqueFd socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!socket)
        return;
    auto bind_and_listen = [&] {
        return ::bind(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address)) ==
                   0 &&
               ::listen(socket.get(), 64) == 0;
    };
    if (!bind_and_listen()) {
        // A file left by a process that is gone is taken over; a live one's is not.
        if (errno != EADDRINUSE || SomeoneListensAt(path) || ::unlink(path.c_str()) != 0 ||
            !bind_and_listen())
            return;
    }
    socket_ = socket.release();
    spare_ = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
}

LocalListener::~LocalListener() {
    if (socket_ < 0)
        return;
    ::close(socket_);
    ::unlink(path_.c_str());
    if (spare_ >= 0)
        ::close(spare_);
}

int LocalListener::Accept() {
    if (spare_ < 0)
        spare_ = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    int client = ::accept4(socket_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (client < 0 && (errno == EMFILE || errno == ENFILE) && spare_ >= 0) {
        ::close(spare_);
        spare_ = -1;
        client = ::accept4(socket_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    }
    return client;
}

}  // namespace lyr
