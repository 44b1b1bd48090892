// SPDX-License-Identifier: GPL-3.0-or-later
#include <pthread.h>
#include <signal.h>

#include <cstdio>
#include <thread>

#include "base/text.h"
#include "main/lyrnet/arguments.h"
#include "main/lyrnet/mailslot_setup.h"
#include "main/lyrnet/subcommands.h"
#include "main/lyrnet/terminal_text.h"
#include "netbios/interfaces.h"
#include "platform/call_loop.h"
#include "platform/codepage.h"
#include "platform/mailslot.h"
#include "platform/messenger_message.h"
#include "transport/md_winpopup.h"
#include "transport/messenger_datagram.h"

namespace lyr::cli {
namespace {

void PrintMessage(const MessengerMessage& message, bool json) {
    std::string text = OemToAnsi(message.text);
    if (json) {
        nlohmann::ordered_json object;
        object["from"] = AnsiToUtf8(message.sender);
        object["to"] = AnsiToUtf8(message.receiver);
        object["text"] = AnsiToUtf8(text);
        PrintJsonLine(object);
        return;
    }
    // Names and texts come from anybody on the network: no control character reaches the
    // terminal, but line breaks of the text stay line breaks.
    std::string shown;
    for (std::string_view line : SplitLines(text)) {
        shown += (shown.empty() ? "" : "\n    ") + ForTerminal(line);
    }
    std::printf("%s -> %s: %s\n", ForTerminal(message.sender).c_str(),
                ForTerminal(message.receiver).c_str(), shown.c_str());
    std::fflush(stdout);
}

// Turns an interrupt or termination into the end of the loop. The signals are blocked in every
// thread before any starts, so only this thread's sigwait takes them.
class SignalsEndLoop {
public:
    explicit SignalsEndLoop(CallLoop& loop) {
        sigemptyset(&signals_);
        for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
            sigaddset(&signals_, signal);
        }
        pthread_sigmask(SIG_BLOCK, &signals_, &previous_);
        waiter_ = std::thread([this, &loop] {
            int signal = 0;
            sigwait(&signals_, &signal);
            loop.Quit();
        });
    }
    ~SignalsEndLoop() {
        // The waiter has SIGTERM blocked: its sigwait takes the signal and returns, nothing ends.
        // NOLINTNEXTLINE(bugprone-bad-signal-to-kill-thread)
        pthread_kill(waiter_.native_handle(), SIGTERM);
        waiter_.join();
        pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
    }

private:
    sigset_t signals_;
    sigset_t previous_;
    std::thread waiter_;
};

// Holding "messngr" makes this process the computer's receiver: it takes the NetBIOS ports and
// our names. Without them it goes on with this computer's messages and says why.
void JoinNetworkAsReceiver(NetworkMailslotSystem& mailslots) {
    // Messages over the session service take the road of datagrams, into our own queue.
    auto status = mailslots.JoinNetwork(netbios::ServiceMode::Owner, &BuildMessengerDatagram);
    if (!status.network_owner) {
        std::fprintf(stderr, "lyrnet listen: %s\n", status.problem.c_str());
        return;
    }
    if (!status.session_problem.empty()) {
        std::fprintf(stderr, "lyrnet listen: %s\n", status.session_problem.c_str());
    }
    auto& service = mailslots.Network()->Service();
    service.WaitForRegistration(service.LongestRegistration());
    std::string names;
    for (const auto& held : service.Names()) {
        if (held.state != netbios::NameState::Refused) {
            names += " " + held.name.ToString();
        }
        if (held.state == netbios::NameState::Refused ||
            held.state == netbios::NameState::Conflict) {
            std::string holder = held.refused_by_name_server
                                     ? "another computer, says the name server " +
                                           netbios::FormatAddress(held.refused_by)
                                     : netbios::FormatAddress(held.refused_by);
            std::fprintf(stderr,
                         "lyrnet listen: the name %s is held by %s; what is sent to it reaches "
                         "that computer, not this one. Give this computer another name.\n",
                         held.name.ToString().c_str(), holder.c_str());
        }
    }
    std::fprintf(stderr, "lyrnet listen: receiving from the network as%s\n", names.c_str());
    if (status.session_port != 0) {
        std::fprintf(stderr, "lyrnet listen: receiving over the session service on TCP port %u\n",
                     static_cast<unsigned>(status.session_port));
    }
}

}  // namespace

int RunListen(const std::vector<std::string>& words) {
    Arguments arguments(words, {"count"}, {"json"});
    if (!arguments.Positional().empty()) {
        throw UsageError("takes no TARGET or TEXT");
    }
    long count = arguments.Number("count").value_or(0);
    if (arguments.Has("count") && count == 0) {
        throw UsageError("--count needs at least 1");
    }
    bool json = arguments.Has("json");

    auto mailslots = MakeMailslotSystem();
    CallLoop loop;
    SignalsEndLoop signals(loop);
    // This thread is the endpoint's user-interface thread: it opens the endpoint and then runs
    // the loop that its wait thread hands every message to.
    TmdWinPopup endpoint(*mailslots, loop);
    long printed = 0;
    endpoint.OnMessage = [&](TmdCustomWinPopup&, const MessengerMessage& message) {
        PrintMessage(message, json);
        if (count > 0 && ++printed >= count) {
            loop.Quit();
        }
    };
    const std::string slot_path = MakeMailslotPath(".", kMessengerSlot);
    try {
        endpoint.SetActive(true);
    } catch (const EmdMailSlot& error) {
        bool held = std::string(error.what()) == "Mailslot already exists";
        std::fprintf(
            stderr, "lyrnet listen: cannot receive on %s: %s%s\n", slot_path.c_str(), error.what(),
            held ? " (a messenger or another lyrnet listen receives messages on this computer)"
                 : "");
        return 1;
    }
    std::fprintf(stderr, "lyrnet listen: receiving on %s\n", slot_path.c_str());
    JoinNetworkAsReceiver(*mailslots);
    loop.Run();
    endpoint.SetActive(false);
    return 0;
}

}  // namespace lyr::cli
