// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/local_mailslot.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>

#include "base/ascii_case.h"

namespace lyr {
namespace {

constexpr std::string_view kAddressPrefix = "lyr-mailslot:";
// Abstract names start with a NUL, which takes one byte of sun_path.
constexpr size_t kLongestAddressName = sizeof(sockaddr_un::sun_path) - 1;

}  // namespace

LocalMailslotAddress MakeLocalMailslotAddress(std::string_view slot) {
    std::string name(kAddressPrefix);
    name += ToLowerAscii(slot);
    LocalMailslotAddress result;
    result.address.sun_family = AF_UNIX;
    size_t length = std::min(name.size(), kLongestAddressName);
    std::memcpy(result.address.sun_path + 1, name.data(), length);
    result.length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + length);
    return result;
}

bool IsUsableLocalSlotName(std::string_view slot) {
    return !slot.empty() && slot.find('\0') == std::string_view::npos &&
           kAddressPrefix.size() + slot.size() <= kLongestAddressName;
}

std::optional<LocalMailslotConnection> LocalMailslotConnection::Open(std::string_view slot,
                                                                     int timeout_ms,
                                                                     LocalWriteResult* why) {
    auto fail = [why](LocalWriteResult result) {
        if (why) {
            *why = result;
        }
        return std::nullopt;
    };
    if (!IsUsableLocalSlotName(slot)) {
        return fail(LocalWriteResult::NoSuchSlot);
    }
    UniqueFd socket(::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    if (!socket) {
        return fail(LocalWriteResult::Failed);
    }
    const int fd = socket.get();
    LocalMailslotConnection connection(std::move(socket));
    timeval timeout{timeout_ms / 1000, (timeout_ms % 1000) * 1000};
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
    auto target = MakeLocalMailslotAddress(slot);
    // Connecting finds out at once whether anybody holds the slot.
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&target.address), target.length) != 0) {
        bool nobody = errno == ECONNREFUSED || errno == ENOENT;
        return fail(nobody ? LocalWriteResult::NoSuchSlot : LocalWriteResult::Failed);
    }
    return connection;
}

LocalWriteResult LocalMailslotConnection::Send(std::string_view data) {
    for (;;) {
        ssize_t sent = ::send(socket_.get(), data.data(), data.size(), MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) {
            continue;
        }
        if (sent == static_cast<ssize_t>(data.size())) {
            return LocalWriteResult::Written;
        }
        bool nobody = sent < 0 && (errno == ECONNREFUSED || errno == ENOENT);
        return nobody ? LocalWriteResult::NoSuchSlot : LocalWriteResult::Failed;
    }
}

LocalWriteResult WriteLocalMailslot(std::string_view slot, std::string_view data, int timeout_ms) {
    LocalWriteResult why = LocalWriteResult::Failed;
    auto connection = LocalMailslotConnection::Open(slot, timeout_ms, &why);
    return connection ? connection->Send(data) : why;
}

}  // namespace lyr
