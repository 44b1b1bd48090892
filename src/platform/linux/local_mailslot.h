// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sys/socket.h>
#include <sys/un.h>

#include <optional>
#include <string>
#include <string_view>

#include "base/unique_fd.h"

namespace lyr {

// A mailslot of this computer is a machine-wide datagram queue: a Unix datagram socket in the
// abstract namespace, named after the lower-cased slot name (the part after "\mailslot\"), so
// that names compare without case as Windows compares them. Whoever binds the name holds the
// slot; anybody may write to it.
struct LocalMailslotAddress {
    sockaddr_un address{};
    socklen_t length = 0;
};
LocalMailslotAddress MakeLocalMailslotAddress(std::string_view slot);

// Whether a slot name can be a queue's name: not empty, no NUL, and short enough that its
// address is not cut (two different long names must not meet in one queue).
bool IsUsableLocalSlotName(std::string_view slot);

enum class LocalWriteResult {
    Written,     // the whole message is queued
    NoSuchSlot,  // nobody holds the slot
    Failed,      // the queue refused it (too large, or full for longer than the write waits)
};

// A writer's connection to one slot's queue. A full queue makes the writer wait (at most the
// time-out given at Open) rather than lose the message.
class LocalMailslotConnection {
public:
    // Nothing when nobody holds the slot or the name is unusable; `why` says which.
    static std::optional<LocalMailslotConnection> Open(std::string_view slot, int timeout_ms,
                                                       LocalWriteResult* why = nullptr);
    LocalMailslotConnection(LocalMailslotConnection&& other) noexcept = default;
    LocalMailslotConnection& operator=(LocalMailslotConnection&&) = delete;

    LocalWriteResult Send(std::string_view data);

private:
    explicit LocalMailslotConnection(UniqueFd socket) : socket_(std::move(socket)) {}
    UniqueFd socket_;
};

// Writes one whole message to the slot's queue. Waits at most `timeout_ms` for room in a full
// queue, so a stuck receiver cannot hang the writer.
LocalWriteResult WriteLocalMailslot(std::string_view slot, std::string_view data,
                                    int timeout_ms = 2000);

}  // namespace lyr
