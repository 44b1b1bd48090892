// SPDX-License-Identifier: GPL-3.0-or-later
// lyrnet: the messenger's command-line companion, for scripts, headless machines and tests.
#include <clocale>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "main/lyrnet/arguments.h"
#include "main/lyrnet/commands.h"

namespace {

// Prints `text` indented, its lines broken between words before 100 columns.
void PrintWrapped(std::FILE* out, const std::string& text, const std::string& indent) {
    constexpr size_t kWidth = 100;
    std::string line;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(' ', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string word = text.substr(start, end - start);
        if (!line.empty() && indent.size() + line.size() + 1 + word.size() > kWidth) {
            std::fprintf(out, "%s%s\n", indent.c_str(), line.c_str());
            line.clear();
        }
        line += (line.empty() ? "" : " ") + word;
        start = end + 1;
    }
    std::fprintf(out, "%s%s\n", indent.c_str(), line.c_str());
}

void PrintHelp(std::FILE* out) {
    std::fprintf(out, "usage: lyrnet COMMAND [ARGUMENTS]\n\nCommands:\n");
    for (const auto& command : lyr::cli::AllCommands()) {
        std::fprintf(out, "  lyrnet %s\n", command.synopsis);
        PrintWrapped(out, command.description, "      ");
    }
    std::fprintf(out,
                 "\n  lyrnet --help      this text\n"
                 "  lyrnet --version   the version, as lyrnet version prints it\n"
                 "\nEnvironment: LYR_NETBIOS_COMPUTER_NAME and LYR_NETBIOS_WORKGROUP replace this "
                 "computer's\nNetBIOS name and workgroup, LYR_NETBIOS_NS_PORT, "
                 "LYR_NETBIOS_DGM_PORT and\nLYR_NETBIOS_SSN_PORT the ports 137, 138 and 139.\n"
                 "\nThe messenger protocol has no authentication: anybody on the network can "
                 "send under any name.\n");
}

}  // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    std::vector<std::string> words(argv + 1, argv + argc);
    if (words.empty() || words[0] == "--help" || words[0] == "-h" || words[0] == "help") {
        PrintHelp(words.empty() ? stderr : stdout);
        return words.empty() ? 2 : 0;
    }
    if (words[0] == "--version") {
        words[0] = "version";
    }
    for (const auto& command : lyr::cli::AllCommands()) {
        if (words[0] != command.name) {
            continue;
        }
        std::vector<std::string> rest(words.begin() + 1, words.end());
        for (const auto& word : rest) {
            if (word == "--help" || word == "-h") {
                std::printf("usage: lyrnet %s\n", command.synopsis);
                PrintWrapped(stdout, command.description, "  ");
                return 0;
            }
        }
        try {
            return command.run(rest);
        } catch (const lyr::cli::UsageError& error) {
            std::fprintf(stderr, "lyrnet %s: %s\nusage: lyrnet %s\n", command.name, error.what(),
                         command.synopsis);
            return 2;
        } catch (const std::exception& error) {
            std::fprintf(stderr, "lyrnet %s: %s\n", command.name, error.what());
            return 1;
        }
    }
    std::fprintf(stderr, "lyrnet: unknown command \"%s\"\n\n", words[0].c_str());
    PrintHelp(stderr);
    return 2;
}
