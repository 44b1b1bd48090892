#include "app/instance_requests.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <charconv>
#include <cstdlib>
#include <cstring>

#include "platform/linux/unique_fd.h"

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

std::string InstanceSocketPath() {
    return InstanceSocketPathIn(std::getenv("XDG_RUNTIME_DIR"), "/tmp");
}

std::string InstanceSocketPathIn(const char* runtime_directory, const std::string& temp_directory) {
    const std::string name = std::string(kInstanceTokenName) + "-" + std::to_string(::getuid());
    if (runtime_directory != nullptr && runtime_directory[0] == '/')
        return std::string(runtime_directory) + "/" + name;
    const std::string directory = temp_directory + "/" + name;
    if (::mkdir(directory.c_str(), 0700) != 0 && errno != EEXIST)
        return {};
    struct stat status {};
    if (::lstat(directory.c_str(), &status) != 0 || !S_ISDIR(status.st_mode) ||
        status.st_uid != ::geteuid() || (status.st_mode & 077) != 0)
        return {};
    return directory + "/" + name;
}

std::string FormatInstanceRequest(const InstanceRequest& request) {
    switch (request.kind) {
        case InstanceRequestKind::Show:
            return "show " + std::to_string(request.parameter) + "\n";
        case InstanceRequestKind::Version:
            return "version\n";
        case InstanceRequestKind::State:
            break;
    }
    return "state\n";
}

std::optional<InstanceRequest> ParseInstanceRequest(std::string_view line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.remove_suffix(1);
    if (line == "version")
        return InstanceRequest{InstanceRequestKind::Version, 0};
    if (line == "state")
        return InstanceRequest{InstanceRequestKind::State, 0};
    constexpr std::string_view kShow = "show ";
    if (line.substr(0, kShow.size()) != kShow)
        return std::nullopt;
    line.remove_prefix(kShow.size());
    std::uintptr_t parameter = 0;
    auto [end, error] = std::from_chars(line.data(), line.data() + line.size(), parameter);
    if (error != std::errc{} || end != line.data() + line.size() || line.empty()) {
        return std::nullopt;
    }
    return InstanceRequest{InstanceRequestKind::Show, parameter};
}

std::optional<std::int32_t> AskRunningCopy(const std::string& socket_path,
                                           const InstanceRequest& request,
                                           int timeout_milliseconds) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (socket_path.size() >= sizeof(address.sun_path))
        return std::nullopt;
    std::memcpy(address.sun_path, socket_path.data(), socket_path.size());
    UniqueFd socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!socket)
        return std::nullopt;
    if (::connect(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address)) !=
        0) {
        return std::nullopt;
    }
    const std::string line = FormatInstanceRequest(request);
    if (::send(socket.get(), line.data(), line.size(), MSG_NOSIGNAL) !=
        static_cast<ssize_t>(line.size())) {
        return std::nullopt;
    }
    // The answer is one short line; anything longer is not an answer.
    std::string answer;
    char buffer[32];
    while (answer.find('\n') == std::string::npos && answer.size() < sizeof(buffer)) {
        if (!WaitFor(socket.get(), POLLIN, timeout_milliseconds))
            return std::nullopt;
        ssize_t got = ::recv(socket.get(), buffer, sizeof(buffer), 0);
        if (got <= 0)
            return std::nullopt;
        answer.append(buffer, static_cast<size_t>(got));
    }
    std::int32_t value = 0;
    auto [end, error] = std::from_chars(answer.data(), answer.data() + answer.size(), value);
    if (error != std::errc{} || end == answer.data() || *end != '\n')
        return std::nullopt;
    return value;
}

}  // namespace lyr
