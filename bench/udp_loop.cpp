// SPDX-License-Identifier: GPL-3.0-or-later
// The reference for the NetBIOS throughput run: plain UDP datagrams between the same two test
// hosts, with the same receive buffer, read as the NetBIOS service reads them (a wait, then a
// batch per call until one comes short), so that the ratio tells what the NetBIOS stacks add.
//   udp_loop receive PORT COUNT    prints "ready", then "received N in U us" (first to last)
//   udp_loop send ADDRESS PORT COUNT SIZE
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

int Receive(uint16_t port, long count) {
    int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    int buffer = 16 << 20;
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUFFORCE, &buffer, sizeof buffer);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        std::perror("bind");
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    constexpr size_t kBatch = 16;
    static char packets[kBatch][65536];
    iovec vectors[kBatch];
    mmsghdr headers[kBatch];
    long received = 0;
    Clock::time_point first, last;
    pollfd entry{fd, POLLIN, 0};
    while (received < count && ::poll(&entry, 1, 5000) == 1) {
        for (;;) {
            for (size_t i = 0; i < kBatch; ++i) {
                vectors[i] = {packets[i], sizeof packets[i]};
                headers[i] = {};
                headers[i].msg_hdr.msg_iov = &vectors[i];
                headers[i].msg_hdr.msg_iovlen = 1;
            }
            int taken = ::recvmmsg(fd, headers, kBatch, MSG_DONTWAIT, nullptr);
            for (int i = 0; i < taken; ++i) {
                last = Clock::now();
                if (received++ == 0) {
                    first = last;
                }
            }
            if (taken < static_cast<int>(kBatch)) {
                break;
            }
        }
    }
    auto took = std::chrono::duration_cast<std::chrono::microseconds>(last - first);
    std::printf("received %ld in %lld us\n", received, static_cast<long long>(took.count()));
    return received == count ? 0 : 1;
}

int Send(const char* host, uint16_t port, long count, size_t size) {
    int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(port);
    ::inet_pton(AF_INET, host, &target.sin_addr);
    std::string payload(size, 'x');
    for (long i = 0; i < count; ++i) {
        if (::sendto(fd, payload.data(), payload.size(), 0, reinterpret_cast<sockaddr*>(&target),
                     sizeof target) < 0) {
            std::perror("sendto");
            return 1;
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::string command = argc > 1 ? argv[1] : "";
    if (command == "receive" && argc == 4) {
        return Receive(static_cast<uint16_t>(std::atoi(argv[2])), std::atol(argv[3]));
    }
    if (command == "send" && argc == 6) {
        return Send(argv[2], static_cast<uint16_t>(std::atoi(argv[3])), std::atol(argv[4]),
                    static_cast<size_t>(std::atol(argv[5])));
    }
    std::fprintf(stderr, "usage: udp_loop receive PORT COUNT | send ADDRESS PORT COUNT SIZE\n");
    return 2;
}
