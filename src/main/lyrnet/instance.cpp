// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdio>
#include <optional>
#include <string>

#include "app/instance_requests.h"
#include "main/lyrnet/subcommands.h"

namespace lyr::cli {
namespace {

// Exit codes of a request without an answer.
constexpr int kNoneRuns = 1;
constexpr int kDoesNotRespond = 3;

struct Answer {
    std::optional<std::int32_t> value;
    int exit_code = 0;  // without a value: why there is none
};

// A copy that holds the socket but does not answer still runs: it is stopped, or too busy to
// answer even from its own thread. Saying that none runs would send the user to start another.
Answer Ask(const char* command, const InstanceRequest& request) {
    const std::string socket_path = InstanceSocketPath();
    if (socket_path.empty()) {
        std::fprintf(stderr,
                     "lyrnet %s: no private place for the messenger's socket (set "
                     "XDG_RUNTIME_DIR)\n",
                     command);
        return {std::nullopt, kNoneRuns};
    }
    if (auto value = AskRunningCopy(socket_path, request))
        return {value, 0};
    if (CopyHoldsInstanceSocket(socket_path)) {
        std::fprintf(stderr,
                     "lyrnet %s: the messenger runs for this user but does not respond: it is "
                     "stopped or busy (%s)\n",
                     command, socket_path.c_str());
        return {std::nullopt, kDoesNotRespond};
    }
    std::fprintf(stderr, "lyrnet %s: no messenger runs for this user (%s)\n", command,
                 socket_path.c_str());
    return {std::nullopt, kNoneRuns};
}

int RunShowRequest(const char* command, std::uintptr_t parameter,
                   const std::vector<std::string>& words) {
    if (!words.empty()) {
        std::fprintf(stderr, "lyrnet %s: takes no arguments\n", command);
        return 2;
    }
    return Ask(command, {InstanceRequestKind::Show, parameter}).exit_code;
}

}  // namespace

int RunStatus(const std::vector<std::string>& words) {
    if (!words.empty()) {
        std::fprintf(stderr, "lyrnet status: takes no arguments\n");
        return 2;
    }
    Answer version = Ask("status", {InstanceRequestKind::Version, 0});
    if (!version.value)
        return version.exit_code;
    Answer state = Ask("status", {InstanceRequestKind::State, 0});
    if (!state.value)
        return state.exit_code;
    const std::int32_t value = *state.value;
    const char* name = value == 0 ? "active" : value == 1 ? "busy" : "auto-reply";
    std::printf("running version %d state %d %s\n", *version.value, value, name);
    // A copy from before the counts answers "error"; it is left at the first line.
    constexpr size_t kLongestLosses = 100;
    constexpr int kTimeoutMs = 3000;
    const std::optional<std::string> answer = AskRunningCopyForText(
        InstanceSocketPath(), {InstanceRequestKind::Losses, 0}, kLongestLosses, kTimeoutMs);
    if (auto losses = answer ? ParseReceiveLosses(*answer) : std::nullopt) {
        std::printf(
            "from the network: %llu datagrams dropped by the kernel, %llu mailslot "
            "writes and %llu session messages refused as too long, %llu messages "
            "dropped on their way to the mailslot or by its full queue\n",
            static_cast<unsigned long long>(losses->kernel_drops),
            static_cast<unsigned long long>(losses->refused_writes),
            static_cast<unsigned long long>(losses->refused_session_messages),
            static_cast<unsigned long long>(losses->mailslot_drops));
    }
    return 0;
}

int RunShow(const std::vector<std::string>& words) {
    return RunShowRequest("show", 1, words);
}
int RunHide(const std::vector<std::string>& words) {
    return RunShowRequest("hide", 0, words);
}

}  // namespace lyr::cli
