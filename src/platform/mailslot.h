// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace lyr {

// A mailslot name "\\SERVER\mailslot\SLOT" taken apart. The word "mailslot" and both names
// compare without case; SLOT may hold further backslashes, as Windows allows.
struct MailslotPath {
    std::string server;
    std::string slot;
};
std::optional<MailslotPath> ParseMailslotPath(std::string_view name);
std::string MakeMailslotPath(std::string_view server, std::string_view slot);

// Why a mailslot could not be created.
enum class MailslotCreateError {
    BadName,        // the name is not "\\.\mailslot\SLOT" with a usable SLOT
    AlreadyExists,  // another holder (usually another process) has the name
    CannotOpen,     // any other reason the system gives
};

// What waits in a receive queue, asked without blocking: the next message's size and how many
// messages wait.
struct MailslotInfo {
    uint32_t next_size = 0;
    uint32_t message_count = 0;
};

// A receive queue this process holds. Everything but Wait and Close belongs to one thread (the
// user-interface thread); Wait belongs to one other thread (the endpoint's wait thread), and
// Close may come from either and ends a blocked Wait.
class MailslotReceiver {
public:
    virtual ~MailslotReceiver() = default;

    // Nothing when the queue's state cannot be read (for example after Close).
    virtual std::optional<MailslotInfo> Info() = 0;
    // Takes the next whole message out of the queue, copying at most buffer.size() bytes of it.
    // Returns the message's real size (larger than the buffer when it was cut), or nothing
    // when no message could be taken. With an empty buffer the message is taken and dropped.
    virtual std::optional<size_t> Read(std::span<char> buffer) = 0;
    // Takes up to `most` whole messages that wait now, oldest first, at once; none when the
    // queue cannot be read. A queue that holds its messages as strings hands them over moved.
    virtual std::vector<std::string> ReadWaiting(size_t most);
    // Blocks until a message waits (true) or the queue is closed or broken (false). Costs no
    // CPU while it waits.
    virtual bool Wait() = 0;
    // Releases the name at once and ends a blocked Wait. Closing twice does nothing.
    virtual void Close() = 0;
};

// A mailslot opened for writing: a local queue, another computer's or a group's.
class MailslotWriteHandle {
public:
    virtual ~MailslotWriteHandle() = default;
    // Hands one whole message over in one piece. Returns how many bytes were taken (the whole
    // message or nothing), or nothing when the write failed.
    virtual std::optional<size_t> Write(std::string_view data) = 0;
};

// The mailslots of the operating system, handed to whoever creates or writes mailslots.
class MailslotSystem {
public:
    virtual ~MailslotSystem() = default;

    // Creates the receive queue "\\.\mailslot\SLOT". `max_size` > 0: longer messages never
    // reach the queue's reader; 0: any size. Sets `error` and returns nothing on failure.
    virtual std::unique_ptr<MailslotReceiver> Create(const std::string& name, int32_t max_size,
                                                     MailslotCreateError& error) = 0;
    // Opens "\\SERVER\mailslot\SLOT" for writing. Nothing when it cannot be opened: a slot of
    // this computer that nobody holds, a bad name, or a target nobody can reach from here.
    virtual std::unique_ptr<MailslotWriteHandle> OpenForWrite(const std::string& name) = 0;
};

}  // namespace lyr
