// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

namespace lyr::cli {

// One lyrnet subcommand. `run` gets the words after the subcommand's name and returns the exit
// code; it may throw UsageError for a command line that does not fit.
struct Command {
    const char* name;
    const char* synopsis;     // "send TARGET TEXT [--from NAME]"
    const char* description;  // what it does, for --help
    int (*run)(const std::vector<std::string>& words);
};

// Every subcommand, in the order --help lists them.
const std::vector<Command>& AllCommands();

}  // namespace lyr::cli
