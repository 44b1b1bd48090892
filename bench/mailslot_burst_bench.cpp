// SPDX-License-Identifier: GPL-3.0-or-later
// Delivery rate of a burst of small datagrams written back to back by another process: through
// the endpoint (wait thread, hand-over, handler on the UI thread) beside a plain blocking
// receive loop on the same kind of socket, in alternating rounds of the same run.
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/call_loop.h"
#include "platform/linux/linux_mailslot_system.h"
#include "platform/linux/local_mailslot.h"
#include "transport/md_mailslot.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kMessages = 10000;
constexpr int kRounds = 7;
const char* kMessageSize = "40";  // about a short messenger datagram

pid_t StartWriter(const std::string& slot) {
    std::string count = std::to_string(kMessages);
    const char* argv[] = {LYR_MAILSLOT_PEER, "write",      slot.c_str(),
                          count.c_str(),     kMessageSize, nullptr};
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, const_cast<char**>(argv), environ) != 0) {
        std::perror("posix_spawn");
        std::exit(1);
    }
    return pid;
}

void AwaitWriter(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "the writer failed\n");
        std::exit(1);
    }
}

double Rate(Clock::time_point first, Clock::time_point last) {
    double seconds = std::chrono::duration<double>(last - first).count();
    return (kMessages - 1) / seconds;
}

double PlainReceiveLoop(const std::string& slot) {
    int socket = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    auto address = lyr::MakeLocalMailslotAddress(slot);
    if (::bind(socket, reinterpret_cast<const sockaddr*>(&address.address), address.length) != 0) {
        std::perror("bind");
        std::exit(1);
    }
    pid_t writer = StartWriter(slot);
    char buffer[65536];
    Clock::time_point first, last;
    for (int i = 0; i < kMessages; ++i) {
        if (::recv(socket, buffer, sizeof buffer, 0) < 0) {
            std::perror("recv");
            std::exit(1);
        }
        (i == 0 ? first : last) = Clock::now();
    }
    AwaitWriter(writer);
    ::close(socket);
    return Rate(first, last);
}

double ThroughEndpoint(const std::string& slot) {
    lyr::LinuxMailslotSystem system("");
    lyr::CallLoop loop;
    lyr::TmdMailSlot endpoint(system, loop);
    int received = 0;
    Clock::time_point first, last;
    endpoint.OnMessageAvail = [&](lyr::TmdCustomMailSlot&, const std::string&) {
        (received == 0 ? first : last) = Clock::now();
        if (++received == kMessages) {
            loop.Quit();
        }
    };
    endpoint.SetSlot(slot);
    endpoint.SetActive(true);
    pid_t writer = StartWriter(slot);
    loop.Run();
    endpoint.SetActive(false);
    AwaitWriter(writer);
    return Rate(first, last);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main() {
    std::vector<double> plain, endpoint;
    for (int round = 0; round < kRounds; ++round) {
        std::string slot = "bench-" + std::to_string(getpid()) + "-" + std::to_string(round);
        plain.push_back(PlainReceiveLoop(slot + "-plain"));
        endpoint.push_back(ThroughEndpoint(slot + "-endpoint"));
    }
    double plain_rate = Median(plain), endpoint_rate = Median(endpoint);
    std::printf("burst of %d datagrams of %s bytes from another process, median of %d rounds\n",
                kMessages, kMessageSize, kRounds);
    std::printf("  plain receive loop:           %10.0f messages/s\n", plain_rate);
    std::printf("  endpoint, handler on UI loop: %10.0f messages/s\n", endpoint_rate);
    std::printf("  ratio endpoint / plain:       %10.2f\n", endpoint_rate / plain_rate);
    return 0;
}
