// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdio>

#include "main/lyrnet/arguments.h"
#include "main/lyrnet/mailslot_setup.h"
#include "main/lyrnet/subcommands.h"
#include "netbios/interfaces.h"
#include "netbios/mailslot_write.h"
#include "netbios/session_conversation.h"
#include "platform/codepage.h"
#include "transport/messenger_datagram.h"
#include "transport/slot_writing.h"

namespace lyr::cli {
namespace {

// Why the message did not go out, for the line under the messenger's own words.
std::string FailureReason(NetworkMailslotSystem& mailslots, const std::string& target) {
    if (mailslots.IsThisComputer(target)) {
        return "nobody receives messages on this computer (no messenger or lyrnet listen holds "
               "the mailslot \"" +
               std::string(kMessengerSlot) + "\")";
    }
    switch (mailslots.LastRemoteWriteFailure()) {
        case RemoteWriteFailure::NameNotFound:
            if (netbios::ParseAddress(target)) {
                return "the computer at that address did not say its messenger name (no answer "
                       "to a NetBIOS node status request, or no NAME<03> among its names)";
            }
            return "no computer or group of that name answered on the network, and DNS does "
                   "not know it";
        case RemoteWriteFailure::TooLarge:
            return "the message is longer than one datagram carries: sender, receiver and text "
                   "together may take " +
                   std::to_string(netbios::MaxMailslotDataSize(kMessengerSlot) - 2) + " bytes";
        case RemoteWriteFailure::NotSent:
            return "the datagram could not be sent: no network interface reaches that computer";
        case RemoteWriteFailure::NoBroadcast:
            return "no network interface carries broadcasts, and nobody on this computer "
                   "receives messages";
        case RemoteWriteFailure::NoNetwork:
            if (auto* network = mailslots.Network()) {
                return network->Service().Status().problem;
            }
            return "the network is not available";
        case RemoteWriteFailure::None:
            break;
    }
    return {};
}

void ReportFailure(const std::string& target, const std::string& reason) {
    // The words the messenger shows its user, then why.
    std::string failure = Utf8ToAnsi("Не могу доставить сообщение адресату \"") + target + "\".";
    std::fprintf(stderr, "%s\n", AnsiToLocale(failure).c_str());
    if (!reason.empty()) {
        std::fprintf(stderr, "lyrnet send: %s\n", reason.c_str());
    }
}

// The message over the NetBIOS session service: SMB message commands to TARGET<03> on TCP 139.
int SendOverSession(NetworkMailslotSystem& mailslots, const std::string& target,
                    const std::string& sender, const std::string& text) {
    auto* network = mailslots.Network();
    auto written = network->WriteOverSession(target, sender, AnsiToOem(text));
    if (written.failure == RemoteWriteFailure::NotSent) {
        ReportFailure(target,
                      "a group cannot be reached over the session service; send without "
                      "--session");
        return 1;
    }
    if (written.failure != RemoteWriteFailure::None) {
        ReportFailure(target, FailureReason(mailslots, target));
        return 1;
    }
    if (written.outcome.result != netbios::SessionSendResult::Sent) {
        ReportFailure(target, written.outcome.Explain());
        return 1;
    }
    return 0;
}

// A name without dots is a NetBIOS name, which has at most 15 characters; cutting it would
// address another computer.
void CheckTargetName(const std::string& target) {
    constexpr size_t kLongestNetbiosName = 15;
    if (target.size() > kLongestNetbiosName && target.find('.') == std::string::npos &&
        !netbios::ParseAddress(target)) {
        throw UsageError("TARGET \"" + AnsiToLocale(target) + "\" has " +
                         std::to_string(target.size()) +
                         " characters; a computer or workgroup name has at most 15");
    }
}

}  // namespace

int RunSend(const std::vector<std::string>& words) {
    Arguments arguments(words, {"from"}, {"session", "strict"});
    if (arguments.Positional().size() != 2) {
        throw UsageError("needs a TARGET and one TEXT (quote a text with spaces)");
    }
    // Names and text as the messenger holds them: in the ANSI code page.
    std::string target = LocaleToAnsi(arguments.Positional()[0]);
    std::string text = LocaleToAnsi(arguments.Positional()[1]);
    if (target.empty()) {
        throw UsageError("TARGET is empty");
    }
    CheckTargetName(target);
    const bool session = arguments.Has("session");
    if (session && (target == "*" || target == ".")) {
        throw UsageError("--session sends to one other computer");
    }
    // A session takes what Windows' messenger takes in one message; a datagram far less.
    const size_t longest = session ? netbios::kMaxSessionMessageText : kLongestSentText;
    if (text.size() > longest) {
        const std::string counts = "the text has " + std::to_string(text.size()) +
                                   " characters, and one message carries " +
                                   std::to_string(longest);
        if (arguments.Has("strict")) {
            throw UsageError(counts);
        }
        std::fprintf(stderr, "lyrnet send: %s; the rest is cut off\n", counts.c_str());
        text.resize(longest);
    }
    auto mailslots = MakeMailslotSystem();
    // A client of the network: it works beside a messenger or lyrnet listen that owns the ports.
    mailslots->JoinNetwork(netbios::ServiceMode::Client);
    std::string sender = LocaleToAnsi(arguments.Value("from").value_or(""));
    if (sender.empty()) {
        sender = mailslots->ThisComputerName();
    }
    if (session) {
        return SendOverSession(*mailslots, target, sender, text);
    }
    if (!SendDatagram(*mailslots, target,
                      {.sender = sender, .receiver = target, .text = AnsiToOem(text)})) {
        ReportFailure(target, FailureReason(*mailslots, target));
        return 1;
    }
    return 0;
}

}  // namespace lyr::cli
