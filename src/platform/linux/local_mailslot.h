#pragma once

#include <sys/socket.h>
#include <sys/un.h>

#include <string>
#include <string_view>

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

enum class LocalWriteResult {
    Written,     // the whole message is queued
    NoSuchSlot,  // nobody holds the slot
    Failed,      // the queue refused it (too large, or full for longer than the write waits)
};

// Writes one whole message to the slot's queue. Waits at most `timeout_ms` for room in a full
// queue, so a stuck receiver cannot hang the writer.
LocalWriteResult WriteLocalMailslot(std::string_view slot, std::string_view data,
                                    int timeout_ms = 2000);

}  // namespace lyr
