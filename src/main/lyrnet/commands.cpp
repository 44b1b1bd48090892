#include "main/lyrnet/commands.h"

#include "main/lyrnet/subcommands.h"

namespace lyr::cli {

const std::vector<Command>& AllCommands() {
    static const std::vector<Command> commands = {
        {"version", "version", "print the version of the messenger libraries", RunVersion},
        {"names", "names",
         "register this computer's NetBIOS names on the network and list them with their state",
         RunNames},
    };
    return commands;
}

}  // namespace lyr::cli
