// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/instance_requests.h"

#include <charconv>
#include <cstdlib>

#include "platform/local_socket.h"
#include "platform/user_directories.h"

namespace lyr {

std::string InstanceSocketPath() {
    return InstanceSocketPathIn(std::getenv("XDG_RUNTIME_DIR"), "/tmp");
}

std::string InstanceSocketPathIn(const char* runtime_directory, const std::string& temp_directory) {
    const std::string name = std::string(kInstanceTokenName) + "-" + CurrentUserId();
    if (runtime_directory != nullptr && runtime_directory[0] == '/')
        return std::string(runtime_directory) + "/" + name;
    const std::string directory = temp_directory + "/" + name;
    if (!MakeUserDirectory(directory) || !IsPrivateDirectory(directory))
        return {};
    return directory + "/" + name;
}

std::string FormatInstanceRequest(const InstanceRequest& request) {
    switch (request.kind) {
        case InstanceRequestKind::Show:
            return "show " + std::to_string(request.parameter) + "\n";
        case InstanceRequestKind::Version:
            return "version\n";
        case InstanceRequestKind::Names:
            return "names\n";
        case InstanceRequestKind::Scan:
            return "scan " + std::to_string(request.parameter) + "\n";
        case InstanceRequestKind::Losses:
            return "losses\n";
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
    if (line == "names")
        return InstanceRequest{InstanceRequestKind::Names, 0};
    if (line == "losses")
        return InstanceRequest{InstanceRequestKind::Losses, 0};
    constexpr std::string_view kShow = "show ";
    constexpr std::string_view kScan = "scan ";
    InstanceRequestKind kind;
    if (line.substr(0, kShow.size()) == kShow) {
        kind = InstanceRequestKind::Show;
    } else if (line.substr(0, kScan.size()) == kScan) {
        kind = InstanceRequestKind::Scan;
    } else {
        return std::nullopt;
    }
    line.remove_prefix(kShow.size());
    std::uintptr_t parameter = 0;
    auto [end, error] = std::from_chars(line.data(), line.data() + line.size(), parameter);
    if (error != std::errc{} || end != line.data() + line.size() || line.empty()) {
        return std::nullopt;
    }
    if (kind == InstanceRequestKind::Scan && parameter > kLongestScanWaitSeconds)
        return std::nullopt;
    return InstanceRequest{kind, parameter};
}

std::string FormatReceiveLosses(const ReceiveLosses& losses) {
    return std::to_string(losses.kernel_drops) + " " + std::to_string(losses.refused_writes) + " " +
           std::to_string(losses.refused_session_messages) + " " +
           std::to_string(losses.mailslot_drops);
}

std::optional<ReceiveLosses> ParseReceiveLosses(std::string_view line) {
    ReceiveLosses losses;
    const char* next = line.data();
    const char* const end = line.data() + line.size();
    for (std::uint64_t* count : {&losses.kernel_drops, &losses.refused_writes,
                                 &losses.refused_session_messages, &losses.mailslot_drops}) {
        if (count != &losses.kernel_drops) {
            if (next == end || *next != ' ')
                return std::nullopt;
            ++next;
        }
        auto [after, error] = std::from_chars(next, end, *count);
        if (error != std::errc{})
            return std::nullopt;
        next = after;
    }
    if (next != end)
        return std::nullopt;
    return losses;
}

std::optional<std::int32_t> AskRunningCopy(const std::string& socket_path,
                                           const InstanceRequest& request,
                                           int timeout_milliseconds) {
    // The answer is one short line; anything longer is not an answer.
    constexpr size_t kLongestAnswer = 32;
    std::optional<std::string> answer = AskLocalSocket(socket_path, FormatInstanceRequest(request),
                                                       kLongestAnswer, timeout_milliseconds);
    if (!answer)
        return std::nullopt;
    std::int32_t value = 0;
    auto [end, error] = std::from_chars(answer->data(), answer->data() + answer->size(), value);
    if (error != std::errc{} || end == answer->data() || *end != '\n')
        return std::nullopt;
    return value;
}

std::optional<std::string> AskRunningCopyForText(const std::string& socket_path,
                                                 const InstanceRequest& request,
                                                 size_t longest_answer, int timeout_milliseconds) {
    std::optional<std::string> answer = AskLocalSocket(socket_path, FormatInstanceRequest(request),
                                                       longest_answer + 1, timeout_milliseconds);
    if (!answer || answer->empty() || answer->back() != '\n')
        return std::nullopt;
    answer->pop_back();
    if (*answer == kInstanceError)
        return std::nullopt;
    return answer;
}

bool CopyHoldsInstanceSocket(const std::string& socket_path) {
    return SomeoneListensAt(socket_path);
}

}  // namespace lyr
