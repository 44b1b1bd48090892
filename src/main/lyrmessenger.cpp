// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop messenger.
#include <cstdio>
#include <cstring>

#include "main/messenger/messenger_program.h"

int main(int argc, char** argv) {
    // The two questions a terminal asks are answered without starting the program (which would
    // write a profile); every other argument is ignored.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("lyrmessenger %d.%d.%d.%d\n", LYR_VERSION_MAJOR, LYR_VERSION_MINOR,
                        LYR_VERSION_RELEASE, LYR_VERSION_BUILD);
            return 0;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::printf(
                "usage: lyrmessenger [--help | --version]\n\n"
                "Zendry Messenger: popup messages to the computers of the local network. It runs\n"
                "in the tray, one copy per user; a second start shows the running copy's window.\n"
                "lyrnet(1) sends, receives and asks the running copy from a terminal.\n");
            return 0;
        }
    }
    return lyr::RunMessenger(argc, argv);
}
