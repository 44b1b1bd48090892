// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's controller in a process of its own, for the tests that kill it: real
// settings, data files and receiving mailslot, the screen faked. Prints "ready ACTIVE" after the
// start-up and "stored N" each time a received message has been stored and handled; runs the
// shutdown when its standard input ends.
//   controller_host DATA_DIR SETTINGS_FILE
#include <unistd.h>

#include <cstdio>
#include <string>
#include <thread>

#include "app/identity.h"
#include "app/options.h"
#include "messaging/fake_views.h"
#include "messaging/main_window_controller.h"
#include "platform/call_loop.h"
#include "platform/linux/ini_profile.h"
#include "platform/linux/linux_mailslot_system.h"
#include "platform/linux/no_messenger_service.h"
#include "platform/linux/registry_file.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: controller_host DATA_DIR SETTINGS_FILE\n");
        return 2;
    }
    using namespace lyr;
    const std::string data_dir = std::string(argv[1]) + "/";
    RegistryFile registry(argv[2], "HKEY_CURRENT_USER\\" + std::string(kOptionsKey));
    TOptions options(registry, SpecialFolders{});
    IniProfile identity_file(data_dir + kIdentityFileName);
    Identity identity;
    UsersFileList users(data_dir + "users.dat");
    NoMessengerService service;
    LinuxMailslotSystem mailslots("HOSTPC");
    CallLoop loop;
    test::FakeViews views;
    MainWindowController controller(views.Views(), {.options = options,
                                                    .identity = identity,
                                                    .identity_file = identity_file,
                                                    .data_dir = data_dir,
                                                    .mailslots = mailslots,
                                                    .ui_thread = loop,
                                                    .messenger_service = service,
                                                    .user_list = users,
                                                    .network_scan = views.scan});
    views.tray.on_animation_stopped = [&] {
        std::printf("stored %zu\n", controller.Inbox().Count());
        std::fflush(stdout);
    };
    controller.FormCreate();
    std::printf("ready %d\n", controller.MainSlotActive() ? 1 : 0);
    std::fflush(stdout);

    std::thread input([&] {
        char ignored;
        while (::read(0, &ignored, 1) > 0) {
        }
        loop.RunAndWait([&] { controller.FormDestroy(); });
        loop.Quit();
    });
    loop.Run();
    input.join();
    return 0;
}
