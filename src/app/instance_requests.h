// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace lyr {

// The running copy of the messenger is found through a per-user local socket named after the
// single-instance token. Holding the socket is holding the token; it also takes the requests a
// second start or lyrnet sends. The protocol is one line each way:
//   "show 1\n" (show the window) or "show 0\n" (hide it)  ->  "1\n"
//   "version\n"                                           ->  "65537\n"
//   "state\n"                                             ->  "0\n" active, "1\n" busy, "2\n"
//   auto-reply
//   "names\n"                   ->  one line of JSON: the names its NetBIOS service holds
//   "scan SECONDS\n"            ->  one line of JSON: the neighbourhood after asking the network
//                                   to announce itself and waiting SECONDS
//   "losses\n"                  ->  "KERNEL WRITES SESSIONS MAILSLOT\n": what the network sent
//                                   that never became a message (ReceiveLosses, in that order)
// A line the running copy does not understand, or a request it cannot serve (the names and the
// neighbourhood when it does not hold the NetBIOS ports), gets "error\n".
inline constexpr char kInstanceTokenName[] = "zendrylyrmgrrun";

// $XDG_RUNTIME_DIR + "/zendrylyrmgrrun-" + the user id. Without a runtime directory the socket
// goes into a directory of that name in /tmp, made with mode 0700: /tmp is every user's, and
// another user must not take the name or talk to the socket. A directory there that is not this
// user's own or is open to others is not used; the path is then empty (there is no safe place).
std::string InstanceSocketPath();
// The same for a given runtime directory (nullptr: none) and temporary directory.
std::string InstanceSocketPathIn(const char* runtime_directory, const std::string& temp_directory);

enum class InstanceRequestKind { Show, Version, State, Names, Scan, Losses };

struct InstanceRequest {
    InstanceRequestKind kind = InstanceRequestKind::State;
    std::uintptr_t parameter = 0;  // Show: 1 show, anything else hide; Scan: seconds to wait
};

// The longest wait a scan request may ask of the running copy.
inline constexpr std::uintptr_t kLongestScanWaitSeconds = 60;
inline constexpr char kInstanceError[] = "error";

// What the running copy lost of what the network sent it, since it started: datagrams the kernel
// dropped for want of buffer room, mailslot writes and session messages refused as longer than
// any real peer sends, and messages dropped on their way to the mailslot or by its full queue.
struct ReceiveLosses {
    std::uint64_t kernel_drops = 0;
    std::uint64_t refused_writes = 0;
    std::uint64_t refused_session_messages = 0;
    std::uint64_t mailslot_drops = 0;
    bool operator==(const ReceiveLosses&) const = default;
};
std::string FormatReceiveLosses(const ReceiveLosses& losses);
// Nothing for a line that is not four counts.
std::optional<ReceiveLosses> ParseReceiveLosses(std::string_view line);

std::string FormatInstanceRequest(const InstanceRequest& request);
// Nothing for a line that is not a request (the trailing line break is optional).
std::optional<InstanceRequest> ParseInstanceRequest(std::string_view line);

// Sends `request` to the copy listening at `socket_path` and returns its answer; nothing when
// no copy listens there or it does not answer within `timeout_milliseconds`.
std::optional<std::int32_t> AskRunningCopy(const std::string& socket_path,
                                           const InstanceRequest& request,
                                           int timeout_milliseconds = 3000);

// The same for a request answered with a line of text (the line without its line break, at most
// `longest_answer` bytes); nothing also when the copy answers "error".
std::optional<std::string> AskRunningCopyForText(const std::string& socket_path,
                                                 const InstanceRequest& request,
                                                 size_t longest_answer, int timeout_milliseconds);

// Whether a copy holds the socket at `socket_path`, answering or not (stopped, or its window
// busy): such a copy runs, and no other may.
bool CopyHoldsInstanceSocket(const std::string& socket_path);

}  // namespace lyr
