// SPDX-License-Identifier: GPL-3.0-or-later
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
         "register this computer's NetBIOS names on the network and list them with their state. "
         "Beside this user's running messenger it lists the messenger's names; otherwise it "
         "needs UDP ports 137 and 138 itself. Exit 1: the ports cannot be had (it says why) or "
         "a name was refused",
         RunNames},
        {"send", "send TARGET TEXT [--from NAME] [--session] [--strict]",
         "send one message of at most 400 characters to TARGET: \".\" or this computer's name, "
         "another computer by name (a NetBIOS name query, then DNS) or IPv4 address, a workgroup, "
         "or \"*\" for every computer of this computer's workgroup (a NetBIOS name has at most 15 "
         "characters; a longer TARGET needs the dots of a DNS name). A longer TEXT is cut, and "
         "lyrnet says so; --strict refuses it instead. The sender is NAME, by default this "
         "computer's name. Works beside a running messenger or lyrnet "
         "listen. With --session the message (up to 1600 characters) goes to one computer over "
         "the NetBIOS session service (TCP 139) instead of as a datagram, for computers that "
         "take messages only that way (Samba's smbd with a message command, old Windows). "
         "Exit 1: the message cannot be delivered (it says why)",
         RunSend},
        {"listen", "listen [--count N] [--json]",
         "receive the messages sent to this computer, from here and from the network, and print "
         "each (sender, receiver, text; with --json one object a line with from, to and text) "
         "until interrupted or N were printed. While it runs it holds UDP ports 137 and 138, "
         "TCP port 139 (messages over the session service, as smbclient -M and Windows' "
         "messenger send them to one computer) and this computer's NetBIOS names; when it "
         "cannot have them it says why and what to do, and receives this computer's own "
         "messages only (without TCP 139: all but those over the session service)",
         RunListen},
        {"scan", "scan [--wait SECONDS] [--json]",
         "list the workgroups and computers of the network neighbourhood as the user list shows "
         "them, after asking our workgroup to announce itself and waiting SECONDS (2) for "
         "answers (at most 60); --json: one JSON object a line. Beside this user's running "
         "messenger it lists "
         "what the messenger hears",
         RunScan},
        {"doctor", "doctor [--json]",
         "tell in plain words whether this computer can receive and send messages, and why not: "
         "the IPv4 interfaces and their broadcast addresses, who holds UDP 137 and 138 and TCP "
         "139, the state of this computer's names (as the running messenger holds them, else "
         "registered for a moment), the WINS servers, whether the messenger runs, firewall "
         "rules (nftables or iptables) that drop those ports, and a test datagram to this "
         "computer's own name through the network. --json: one JSON object with the same "
         "verdict. Exit 1: something is wrong",
         RunDoctor},
        {"status", "status",
         "ask this user's running messenger for its version and state (0 active, 1 busy, 2 "
         "auto-reply), and what it lost of what the network sent since it started: datagrams "
         "the kernel dropped, writes and session messages refused as longer than any real peer "
         "sends, messages dropped on their way to its mailslot. Exit 1: none runs; 3: one runs "
         "but does not respond (stopped or busy)",
         RunStatus},
        {"show", "show",
         "ask this user's running messenger to show its window. Exit 1: none runs; 3: one runs "
         "but does not respond",
         RunShow},
        {"hide", "hide",
         "ask this user's running messenger to hide its window. Exit 1: none runs; 3: one runs "
         "but does not respond",
         RunHide},
    };
    return commands;
}

}  // namespace lyr::cli
