// SPDX-License-Identifier: GPL-3.0-or-later
// A second process for the mailslot tests and the burst benchmark:
//   mailslot_peer write SLOT COUNT [SIZE]  writes COUNT numbered messages back to back
//   mailslot_peer hold SLOT                 holds the slot until its standard input ends
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/linux/linux_mailslot_system.h"
#include "platform/linux/local_mailslot.h"

namespace {

int WriteNumbered(const std::string& slot, long count, size_t size) {
    auto connection = lyr::LocalMailslotConnection::Open(slot, 60000);
    if (!connection) {
        std::fprintf(stderr, "nobody holds %s\n", slot.c_str());
        return 1;
    }
    for (long i = 0; i < count; ++i) {
        std::string message = std::to_string(i);
        if (message.size() < size) {
            message.resize(size, '.');
        }
        if (connection->Send(message) != lyr::LocalWriteResult::Written) {
            std::fprintf(stderr, "message %ld was refused\n", i);
            return 1;
        }
    }
    return 0;
}

int Hold(const std::string& slot) {
    lyr::LinuxMailslotSystem system("");
    lyr::MailslotCreateError error;
    auto receiver = system.Create("\\\\.\\mailslot\\" + slot, 0, error);
    std::printf("%s\n", receiver ? "held" : "refused");
    std::fflush(stdout);
    char ignored;
    while (::read(0, &ignored, 1) > 0) {
    }
    return receiver ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "write" && (argc == 4 || argc == 5)) {
        return WriteNumbered(argv[2], std::atol(argv[3]),
                             argc == 5 ? std::strtoul(argv[4], nullptr, 10) : 0);
    }
    if (mode == "hold" && argc == 3) {
        return Hold(argv[2]);
    }
    std::fprintf(stderr, "usage: mailslot_peer write SLOT COUNT [SIZE] | hold SLOT\n");
    return 2;
}
