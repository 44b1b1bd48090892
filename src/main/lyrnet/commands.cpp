#include "main/lyrnet/commands.h"

#include "main/lyrnet/subcommands.h"

namespace lyr::cli {

const std::vector<Command>& AllCommands() {
    static const std::vector<Command> commands = {
        {"version", "version", "print the version of the messenger libraries", RunVersion},
        {"history", "history [--outbox] [--data-dir DIR] [--json]",
         "print the stored received messages (the sent ones with --outbox); --json: one JSON "
         "object a line. Exit 3: the store is damaged and was shown as far as it is whole",
         RunHistory},
        {"names", "names",
         "register this computer's NetBIOS names on the network and list them with their state",
         RunNames},
        {"scan", "scan [--wait SECONDS] [--json]",
         "list the workgroups and computers of the network neighbourhood as the user list shows "
         "them, after asking our workgroup to announce itself and waiting SECONDS (2) for "
         "answers; --json: one JSON object a line",
         RunScan},
    };
    return commands;
}

}  // namespace lyr::cli
