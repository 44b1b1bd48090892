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
        {"send", "send TARGET TEXT [--from NAME]",
         "send one message to TARGET (\".\" or this computer's name; at most 400 characters); the "
         "sender is NAME, by default this computer's name",
         RunSend},
        {"listen", "listen [--count N] [--json]",
         "receive messages on this computer and print each (sender, receiver, text; with --json "
         "one object a line with from, to and text) until interrupted or N were printed",
         RunListen},
        {"scan", "scan [--wait SECONDS] [--json]",
         "list the workgroups and computers of the network neighbourhood as the user list shows "
         "them, after asking our workgroup to announce itself and waiting SECONDS (2) for "
         "answers; --json: one JSON object a line",
         RunScan},
    };
    return commands;
}

}  // namespace lyr::cli
