// SPDX-License-Identifier: GPL-3.0-or-later
#include "main/lyrnet/terminal_text.h"

#include <cstdio>

#include "platform/codepage.h"

namespace lyr::cli {

std::string ForTerminal(std::string_view ansi) {
    std::string text = AnsiToLocale(ansi);
    for (char& character : text) {
        const auto byte = static_cast<unsigned char>(character);
        if ((byte < 0x20 && byte != '\t') || byte == 0x7F) {
            character = '?';
        }
    }
    return text;
}

void PrintJsonLine(const nlohmann::ordered_json& object) {
    const std::string line = object.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

}  // namespace lyr::cli
