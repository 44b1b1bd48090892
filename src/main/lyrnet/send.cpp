#include <cstdio>

#include "main/lyrnet/arguments.h"
#include "main/lyrnet/mailslot_setup.h"
#include "main/lyrnet/subcommands.h"
#include "platform/codepage.h"
#include "platform/host_identity.h"
#include "transport/mailslot_write.h"
#include "transport/messenger_datagram.h"

namespace lyr::cli {

int RunSend(const std::vector<std::string>& words) {
    Arguments arguments(words, {"from"}, {});
    if (arguments.Positional().size() != 2) {
        throw UsageError("needs a TARGET and one TEXT (quote a text with spaces)");
    }
    // Names and text as the messenger holds them: in the ANSI code page.
    std::string target = LocaleToAnsi(arguments.Positional()[0]);
    std::string text = LocaleToAnsi(arguments.Positional()[1]);
    if (target.empty()) {
        throw UsageError("TARGET is empty");
    }
    if (text.size() > kLongestSentText) {
        text.resize(kLongestSentText);
    }
    std::string sender;
    if (auto from = arguments.Value("from")) {
        sender = LocaleToAnsi(*from);
    } else if (auto computer = ComputerName()) {
        sender = *computer;
    } else {
        throw UsageError("this computer has no name; give the sender with --from NAME");
    }

    auto mailslots = MakeMailslotSystem();
    if (!mailslots->IsThisComputer(target) && !mailslots->HasNetwork()) {
        std::fprintf(
            stderr,
            "lyrnet send: \"%s\" is not this computer, and lyrnet cannot reach the network "
            "yet; use \".\" or this computer's name\n",
            arguments.Positional()[0].c_str());
        return 1;
    }
    if (!SendDatagram(*mailslots, target, target, sender, AnsiToOem(text))) {
        std::fprintf(stderr,
                     "lyrnet send: cannot deliver to \"%s\": nobody receives messages there "
                     "(no messenger or lyrnet listen holds its mailslot \"messngr\")\n",
                     arguments.Positional()[0].c_str());
        return 1;
    }
    return 0;
}

}  // namespace lyr::cli
