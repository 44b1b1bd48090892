#include "platform/linux/local_mailslot.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstddef>
#include <cstring>

namespace lyr {

LocalMailslotAddress MakeLocalMailslotAddress(std::string_view slot) {
    std::string name = "lyr-mailslot:";
    for (char c : slot) {
        name.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
    }
    LocalMailslotAddress result;
    result.address.sun_family = AF_UNIX;
    // Abstract namespace: a leading NUL, then the name (cut to what sun_path holds).
    size_t length = std::min(name.size(), sizeof(result.address.sun_path) - 1);
    std::memcpy(result.address.sun_path + 1, name.data(), length);
    result.length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + length);
    return result;
}

LocalWriteResult WriteLocalMailslot(std::string_view slot, std::string_view data, int timeout_ms) {
    int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return LocalWriteResult::Failed;
    }
    timeval timeout{timeout_ms / 1000, (timeout_ms % 1000) * 1000};
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
    auto target = MakeLocalMailslotAddress(slot);
    LocalWriteResult result = LocalWriteResult::Failed;
    for (;;) {
        ssize_t sent = ::sendto(fd, data.data(), data.size(), MSG_NOSIGNAL,
                                reinterpret_cast<const sockaddr*>(&target.address), target.length);
        if (sent < 0 && errno == EINTR) {
            continue;
        }
        if (sent == static_cast<ssize_t>(data.size())) {
            result = LocalWriteResult::Written;
        } else if (sent < 0 && (errno == ECONNREFUSED || errno == ENOENT)) {
            result = LocalWriteResult::NoSuchSlot;
        }
        break;
    }
    ::close(fd);
    return result;
}

}  // namespace lyr
