#include "main/lyrnet/commands.h"

#include "main/lyrnet/subcommands.h"

namespace lyr::cli {

const std::vector<Command>& AllCommands() {
    static const std::vector<Command> commands = {
        {"version", "version", "print the version of the messenger libraries", RunVersion},
    };
    return commands;
}

}  // namespace lyr::cli
