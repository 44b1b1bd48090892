// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdio>

#include "app/instance_requests.h"
#include "main/lyrnet/subcommands.h"

namespace lyr::cli {
namespace {

std::optional<std::int32_t> Ask(const char* command, const InstanceRequest& request) {
    const std::string socket_path = InstanceSocketPath();
    if (socket_path.empty()) {
        std::fprintf(stderr,
                     "lyrnet %s: no private place for the messenger's socket (set "
                     "XDG_RUNTIME_DIR)\n",
                     command);
        return std::nullopt;
    }
    auto answer = AskRunningCopy(socket_path, request);
    if (!answer) {
        std::fprintf(stderr, "lyrnet %s: no messenger runs for this user (%s)\n", command,
                     socket_path.c_str());
    }
    return answer;
}

int RunShowRequest(const char* command, std::uintptr_t parameter,
                   const std::vector<std::string>& words) {
    if (!words.empty()) {
        std::fprintf(stderr, "lyrnet %s: takes no arguments\n", command);
        return 2;
    }
    return Ask(command, {InstanceRequestKind::Show, parameter}) ? 0 : 1;
}

}  // namespace

int RunStatus(const std::vector<std::string>& words) {
    if (!words.empty()) {
        std::fprintf(stderr, "lyrnet status: takes no arguments\n");
        return 2;
    }
    auto version = Ask("status", {InstanceRequestKind::Version, 0});
    if (!version)
        return 1;
    auto state = Ask("status", {InstanceRequestKind::State, 0});
    if (!state)
        return 1;
    const char* name = *state == 0 ? "active" : *state == 1 ? "busy" : "auto-reply";
    std::printf("running version %d state %d %s\n", *version, *state, name);
    return 0;
}

int RunShow(const std::vector<std::string>& words) {
    return RunShowRequest("show", 1, words);
}
int RunHide(const std::vector<std::string>& words) {
    return RunShowRequest("hide", 0, words);
}

}  // namespace lyr::cli
