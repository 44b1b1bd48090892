// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/local_mailslot_reader.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

#include "platform/linux/local_mailslot.h"

namespace lyr::test {

LocalMailslotReader::LocalMailslotReader(const std::string& slot) {
    fd_ = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    auto address = MakeLocalMailslotAddress(slot);
    if (::bind(fd_, reinterpret_cast<const sockaddr*>(&address.address), address.length) != 0) {
        ::close(fd_);
        throw std::runtime_error("cannot hold the slot " + slot);
    }
}

LocalMailslotReader::~LocalMailslotReader() {
    ::close(fd_);
}

std::optional<std::string> LocalMailslotReader::Read(std::chrono::milliseconds timeout) {
    pollfd entry{fd_, POLLIN, 0};
    if (::poll(&entry, 1, static_cast<int>(timeout.count())) != 1) {
        return std::nullopt;
    }
    // The size first, so that a burst of short messages does not clear 64 KiB for each.
    ssize_t size = ::recv(fd_, nullptr, 0, MSG_PEEK | MSG_TRUNC);
    if (size < 0) {
        return std::nullopt;
    }
    std::string message(static_cast<size_t>(size), '\0');
    size = ::recv(fd_, message.data(), message.size(), 0);
    if (size < 0) {
        return std::nullopt;
    }
    message.resize(static_cast<size_t>(size));
    return message;
}

}  // namespace lyr::test
