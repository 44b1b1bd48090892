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

}  // namespace lyr
