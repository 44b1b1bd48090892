// SPDX-License-Identifier: GPL-3.0-or-later
// A test host's end of the NetBIOS stack: receives a slot's messages from the network, sends a
// message to a target, or registers our names. Names and ports come from the environment
// (LYR_NETBIOS_COMPUTER_NAME, LYR_NETBIOS_WORKGROUP, LYR_NETBIOS_NS_PORT, LYR_NETBIOS_DGM_PORT).
//
//   lyr_netbios_host listen SLOT [--count N] [--seconds S] [--summary]
//       owns the ports, holds SLOT; prints "ready" once the names are registered, then each
//       message in hex on a line of its own (or, with --summary, "received N in order in U us",
//       first to last message, at the end); exits 0 when N messages came within S seconds
//   lyr_netbios_host send TARGET SLOT HEX [--repeat N] [--owner]
//       writes the message N times (as a client unless --owner); prints "sent N in MS ms"
//       and "first sent at U us, the last at V us" (the wall clock: the first write is the one
//       after the name's lookup), and exits 0 when every write succeeded
//   lyr_netbios_host names
//       registers our names, prints them with their state; exits 0 when all are registered
//   lyr_netbios_host browse [--announce-every S] [--answer-within S] [--request] [--seconds S]
//       owns the ports and runs the browser: announces this computer every S seconds (else on
//       the usual schedule), answers announcement requests within the given seconds (else 30);
//       prints "ready" once the names are registered, sends an announcement request with
//       --request, then prints the browse list on every change as
//       "list OFFICE(PC1,PC2) SALES(PC3)"; ends after --seconds (60) or on SIGTERM, saying
//       goodbye to the network
#include <signal.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "netbios/netbios_service.h"
#include "platform/linux/local_mailslot_receiver.h"
#include "platform/linux/netbios_mailslot_network.h"
#include "platform/netbios_config.h"

namespace {

using Clock = std::chrono::steady_clock;

std::string Hex(const std::string& bytes) {
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    for (unsigned char byte : bytes) {
        text.push_back(kDigits[byte >> 4]);
        text.push_back(kDigits[byte & 15]);
    }
    return text;
}

std::string FromHex(const std::string& text) {
    std::string bytes;
    for (size_t i = 0; i + 1 < text.size(); i += 2) {
        bytes.push_back(static_cast<char>(std::stoi(text.substr(i, 2), nullptr, 16)));
    }
    return bytes;
}

std::string Option(std::vector<std::string>& words, const std::string& name, std::string fallback) {
    for (size_t i = 0; i + 1 < words.size(); ++i) {
        if (words[i] == name) {
            std::string value = words[i + 1];
            words.erase(words.begin() + static_cast<long>(i),
                        words.begin() + static_cast<long>(i) + 2);
            return value;
        }
    }
    return fallback;
}

bool Flag(std::vector<std::string>& words, const std::string& name) {
    for (size_t i = 0; i < words.size(); ++i) {
        if (words[i] == name) {
            words.erase(words.begin() + static_cast<long>(i));
            return true;
        }
    }
    return false;
}

const char* StateText(lyr::netbios::NameState state) {
    switch (state) {
        case lyr::netbios::NameState::Registering:
            return "registering";
        case lyr::netbios::NameState::Registered:
            return "registered";
        case lyr::netbios::NameState::Conflict:
            return "conflict";
        case lyr::netbios::NameState::Refused:
            return "refused by";
    }
    return "";
}

bool PrintNames(lyr::netbios::NetbiosService& service) {
    const auto& config = service.Config();
    service.WaitForRegistration(config.registration_interval * (config.registration_tries + 2));
    bool all = true;
    for (const auto& name : service.Names()) {
        std::string owner = name.state == lyr::netbios::NameState::Refused
                                ? " " + lyr::netbios::FormatAddress(name.refused_by)
                                : "";
        std::printf("%s %s%s\n", name.name.ToString().c_str(), StateText(name.state),
                    owner.c_str());
        all = all && name.state == lyr::netbios::NameState::Registered;
    }
    std::fflush(stdout);
    return all;
}

int Listen(std::vector<std::string> words) {
    long count = std::stol(Option(words, "--count", "1"));
    long seconds = std::stol(Option(words, "--seconds", "10"));
    bool summary = Flag(words, "--summary");
    if (words.size() != 1) {
        return 2;
    }
    // The slot is held as the messenger holds it, so that what arrives takes the same way.
    lyr::MailslotCreateError error{};
    auto slot = lyr::LocalMailslotReceiver::Create(words[0], 0, error);
    if (!slot) {
        std::fprintf(stderr, "cannot hold the slot %s\n", words[0].c_str());
        return 1;
    }
    lyr::NetbiosMailslotNetwork network(
        lyr::MakeNetbiosServiceConfig(lyr::netbios::ServiceMode::Owner));
    if (!network.Service().Status().network_owner) {
        std::fprintf(stderr, "%s\n", network.Service().Status().problem.c_str());
        return 1;
    }
    if (!PrintNames(network.Service())) {
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    // Closing the slot at the deadline ends a wait for messages that do not come.
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    std::thread deadline([&] {
        std::unique_lock lock(mutex);
        done.wait_for(lock, std::chrono::seconds(seconds), [&] { return finished; });
        slot->Close();
    });
    long received = 0;
    bool in_order = true;
    Clock::time_point first, last;
    while (received < count && slot->Wait()) {
        for (const auto& message : slot->ReadWaiting(static_cast<size_t>(count - received))) {
            last = Clock::now();
            if (received == 0) {
                first = last;
            }
            if (summary) {
                in_order = in_order && message.ends_with("#" + std::to_string(received));
            } else {
                std::printf("%s\n", Hex(message).c_str());
                std::fflush(stdout);
            }
            ++received;
        }
    }
    {
        std::lock_guard lock(mutex);
        finished = true;
    }
    done.notify_all();
    deadline.join();
    if (summary) {
        auto took = std::chrono::duration_cast<std::chrono::microseconds>(last - first);
        std::printf("received %ld %s in %lld us\n", received,
                    in_order ? "in order" : "out of order", static_cast<long long>(took.count()));
    }
    return received == count ? 0 : 1;
}

int Send(std::vector<std::string> words) {
    long repeat = std::stol(Option(words, "--repeat", "1"));
    bool owner = Flag(words, "--owner");
    if (words.size() != 3) {
        return 2;
    }
    lyr::NetbiosMailslotNetwork network(lyr::MakeNetbiosServiceConfig(
        owner ? lyr::netbios::ServiceMode::Owner : lyr::netbios::ServiceMode::Client));
    std::string message = FromHex(words[2]);
    auto start = Clock::now();
    std::chrono::system_clock::time_point first_sent;
    long sent = 0;
    std::string data = message;
    for (long i = 0; i < repeat; ++i) {
        // A repeated message carries its number, so the receiver can tell order and loss.
        if (repeat > 1) {
            data.resize(message.size());
            data += '#';
            data += std::to_string(i);
        }
        if (!network.WriteRemote(words[0], words[1], data)) {
            break;
        }
        if (sent++ == 0) {
            // The first write includes the name's lookup: a receiver's clock starts here.
            first_sent = std::chrono::system_clock::now();
        }
    }
    auto last_sent = std::chrono::system_clock::now();
    auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
    std::printf("sent %ld in %lld ms\n", sent, static_cast<long long>(took.count()));
    auto us = [](std::chrono::system_clock::time_point time) {
        return static_cast<long long>(
            std::chrono::duration_cast<std::chrono::microseconds>(time.time_since_epoch()).count());
    };
    std::printf("first sent at %lld us, the last at %lld us\n", us(first_sent), us(last_sent));
    return sent == repeat ? 0 : 1;
}

std::atomic<bool> stop_requested = false;

std::string ListLine(const lyr::netbios::BrowseSnapshot& snapshot) {
    std::string line = "list";
    for (const auto& workgroup : snapshot.workgroups) {
        std::string names;
        for (const auto& computer : snapshot.ComputersOf(workgroup)) {
            names += (names.empty() ? "" : ",") + computer.name;
        }
        line += " " + workgroup + "(" + names + ")";
    }
    return line;
}

int Browse(std::vector<std::string> words) {
    long announce_every = std::stol(Option(words, "--announce-every", "0"));
    long answer_within = std::stol(Option(words, "--answer-within", "30"));
    long seconds = std::stol(Option(words, "--seconds", "60"));
    bool request = Flag(words, "--request");
    if (!words.empty()) {
        return 2;
    }
    auto config = lyr::MakeNetbiosServiceConfig(lyr::netbios::ServiceMode::Owner);
    if (announce_every > 0) {
        config.announcement_intervals = {std::chrono::seconds(announce_every)};
    }
    config.announcement_answer_delay_max = std::chrono::seconds(answer_within);
    lyr::netbios::NetbiosService service(config);
    if (!service.Status().network_owner) {
        std::fprintf(stderr, "%s\n", service.Status().problem.c_str());
        return 1;
    }
    if (!PrintNames(service)) {
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    if (request && !service.RequestAnnouncements()) {
        std::fprintf(stderr, "the announcement request did not go out\n");
        return 1;
    }
    signal(SIGTERM, [](int) { stop_requested = true; });
    const auto& list = service.Neighbourhood();
    auto deadline = Clock::now() + std::chrono::seconds(seconds);
    std::string shown;
    while (!stop_requested && Clock::now() < deadline) {
        uint64_t generation = list.Generation();
        std::string line = ListLine(list.Snapshot());
        if (line != shown) {
            std::printf("%s\n", line.c_str());
            std::fflush(stdout);
            shown = line;
        }
        // Short waits, so that a SIGTERM ends the program soon.
        list.WaitForChange(generation, std::chrono::milliseconds(100));
    }
    return 0;
}

int Names() {
    lyr::netbios::NetbiosService service(
        lyr::MakeNetbiosServiceConfig(lyr::netbios::ServiceMode::Owner));
    if (!service.Status().network_owner) {
        std::fprintf(stderr, "%s\n", service.Status().problem.c_str());
        return 1;
    }
    return PrintNames(service) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> words(argv + 1, argv + argc);
    if (words.empty()) {
        std::fprintf(stderr, "usage: lyr_netbios_host listen|send|names|browse ...\n");
        return 2;
    }
    std::string command = words.front();
    words.erase(words.begin());
    if (command == "listen") {
        return Listen(words);
    }
    if (command == "send") {
        return Send(words);
    }
    if (command == "names") {
        return Names();
    }
    if (command == "browse") {
        return Browse(words);
    }
    return 2;
}
