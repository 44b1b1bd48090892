#include "main/lyrnet/terminal_text.h"

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

}  // namespace lyr::cli
