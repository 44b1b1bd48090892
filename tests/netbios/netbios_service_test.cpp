// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "netbios/browser_frames.h"
#include "netbios/datagram.h"
#include "netbios/mailslot_write.h"
#include "netbios/name_packet.h"
#include "netbios/name_resolver.h"
#include "netbios/netbios_service.h"
#include "netbios/port_holder.h"
#include "netbios/udp_peer.h"

namespace lyr::netbios {
namespace {

using namespace std::chrono_literals;

constexpr uint32_t kLoopback = 0x7F000001;
constexpr uint32_t kPeer = 0x7F000002;  // another node, as far as the service can tell

// Loopback standing in for a LAN: its broadcast address reaches every socket on the port.
Ipv4Interface TestLan() {
    return {"lo", kLoopback, 0xFF000000, 0x7FFFFFFF, false};
}

ServiceConfig TestConfig(uint16_t port, ServiceMode mode = ServiceMode::Owner) {
    ServiceConfig config;
    config.computer_name = "PC1";
    config.workgroup = "OFFICE";
    config.mode = mode;
    config.name_service_port = port;
    config.datagram_port = static_cast<uint16_t>(port + 1);
    config.interfaces = std::vector<Ipv4Interface>{TestLan()};
    config.registration_interval = 50ms;
    config.query_interval = 100ms;
    config.dns_timeout = 0ms;
    return config;
}

// The service's time in a test: the steady clock moved on by what the test says, or, stopped,
// only what the test says.
class TestClock {
public:
    explicit TestClock(bool running = true)
        : running_(running), start_(std::chrono::steady_clock::now()) {}
    SteadyClockNow Now() {
        return [this] {
            std::lock_guard lock(mutex_);
            return (running_ ? std::chrono::steady_clock::now() : start_) + moved_;
        };
    }
    void Advance(std::chrono::milliseconds by) {
        std::lock_guard lock(mutex_);
        moved_ += by;
    }

private:
    std::mutex mutex_;
    const bool running_;
    const std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::duration moved_{};
};

// Collects what the service hands over.
class Inbox {
public:
    MailslotWriteReceiver Receiver() {
        return [this](std::vector<ArrivedMailslotWrite> writes) {
            std::lock_guard lock(mutex_);
            for (const auto& write : writes) {
                messages_.push_back(write.slot + "|" + write.data);
            }
            changed_.notify_all();
        };
    }
    std::vector<std::string> WaitFor(size_t count, std::chrono::milliseconds timeout = 2s) {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, timeout, [&] { return messages_.size() >= count; });
        return messages_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::string> messages_;
};

std::optional<NamePacket> Ask(test::UdpPeer& peer, const NamePacket& request, uint16_t port,
                              std::chrono::milliseconds timeout = 1s) {
    peer.Send(*BuildNamePacket(request), kLoopback, port);
    auto reply = peer.Receive(timeout);
    return reply ? ParseNamePacket(reply->bytes) : std::nullopt;
}

ScopedName Name(const char* name, uint8_t suffix) {
    return {NetbiosName::Make(name, suffix), ""};
}

std::string MailslotDatagram(DatagramType type, NetbiosName destination, std::string_view slot,
                             std::string_view data, uint8_t flags = kDatagramFlagsWhole) {
    Datagram datagram;
    datagram.type = type;
    datagram.flags = flags;
    datagram.source_ip = kPeer;
    datagram.source = NetbiosName::Make("PC2", 0);
    datagram.destination = destination;
    datagram.user_data = *BuildMailslotWrite(std::string("\\MAILSLOT\\") + std::string(slot), data);
    return *BuildDatagram(datagram);
}

TEST(NetbiosService, OwnerRegistersItsNamesAndAnswersForThem) {
    uint16_t port = test::FreePortPair();
    NetbiosService service(TestConfig(port));
    ASSERT_TRUE(service.Status().network_owner) << service.Status().problem;
    ASSERT_TRUE(service.WaitForRegistration(2s));
    auto names = service.Names();
    ASSERT_EQ(names.size(), 3u);
    EXPECT_EQ(names[0].name.ToString(), "PC1<00>");
    EXPECT_EQ(names[1].name.ToString(), "PC1<03>");
    EXPECT_EQ(names[2].name.ToString(), "OFFICE<00>");
    EXPECT_TRUE(names[2].group);
    for (const auto& name : names) {
        EXPECT_EQ(name.state, NameState::Registered) << name.name.ToString();
    }

    test::UdpPeer peer;
    auto answer = Ask(peer, MakeNameQuery(0x1111, Name("PC1", 3), true), port);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->transaction_id, 0x1111);
    EXPECT_EQ(answer->flags, 0x8500);
    auto owners = ParseNameOwners(answer->answers.at(0).data);
    ASSERT_TRUE(owners);
    EXPECT_EQ(owners->at(0).address, kLoopback);
    EXPECT_FALSE(owners->at(0).IsGroup());

    auto group = Ask(peer, MakeNameQuery(0x1112, Name("OFFICE", 0), true), port);
    ASSERT_TRUE(group);
    EXPECT_TRUE(ParseNameOwners(group->answers.at(0).data)->at(0).IsGroup());

    // A broadcast for a name we lack gets silence; a question put to us directly, a "no".
    EXPECT_FALSE(Ask(peer, MakeNameQuery(0x1113, Name("PC9", 3), true), port, 300ms));
    auto no = Ask(peer, MakeNameQuery(0x1114, Name("PC9", 3), false), port);
    ASSERT_TRUE(no);
    EXPECT_EQ(no->Rcode(), kRcodeNameError);

    auto status = Ask(peer, MakeNodeStatusRequest(0x1115, {NetbiosName::Wildcard(), ""}), port);
    ASSERT_TRUE(status);
    auto node = ParseNodeStatus(status->answers.at(0).data);
    ASSERT_TRUE(node);
    ASSERT_EQ(node->names.size(), 3u);
    EXPECT_EQ(node->names[2].name.ToString(), "OFFICE<00>");
    EXPECT_EQ(node->names[2].flags, kNameGroup | kNameActive);
}

// Lines the service logs, and how often it said its status changed.
class LogBook {
public:
    std::function<void(const std::string&)> Log() {
        return [this](const std::string& line) {
            std::lock_guard lock(mutex_);
            lines_.push_back(line);
        };
    }
    std::function<void()> Listener() {
        return [this] {
            std::lock_guard lock(mutex_);
            ++changes_;
        };
    }
    size_t Count(const std::string& part) {
        std::lock_guard lock(mutex_);
        return static_cast<size_t>(std::count_if(lines_.begin(), lines_.end(), [&](auto& line) {
            return line.find(part) != std::string::npos;
        }));
    }
    int Changes() {
        std::lock_guard lock(mutex_);
        return changes_;
    }

private:
    std::mutex mutex_;
    std::vector<std::string> lines_;
    int changes_ = 0;
};

// Waits until `done` holds, within `timeout`.
bool Eventually(const std::function<bool()>& done, std::chrono::milliseconds timeout = 3s) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

TEST(NetbiosService, DefendsItsNamesAndIgnoresDemandsThatAnswerNothingOfOurs) {
    uint16_t port = test::FreePortPair();
    LogBook book;
    auto config = TestConfig(port);
    config.log = book.Log();
    NetbiosService service(config);
    ASSERT_TRUE(service.WaitForRegistration(2s));
    service.SetStatusListener(book.Listener());
    test::UdpPeer peer;

    auto defence =
        Ask(peer, MakeRegistrationRequest(0x2221, Name("PC1", 3), {0, kPeer}, 300000), port);
    ASSERT_TRUE(defence);
    // The service's thread said the last name was settled before it answered: what changes
    // the status from here on is a packet of this test.
    const int changes_before = book.Changes();
    EXPECT_EQ(defence->transaction_id, 0x2221);
    EXPECT_EQ(defence->Rcode(), kRcodeActive);
    // As RFC 1002 nodes answer: the record of the claim itself, the claimant's address in it.
    ASSERT_EQ(defence->answers.size(), 1u);
    EXPECT_EQ(defence->answers[0].name, Name("PC1", 3));
    EXPECT_EQ(defence->answers[0].type, kTypeNb);
    EXPECT_EQ(ParseNameOwners(defence->answers[0].data), (std::vector<NameOwner>{{0, kPeer}}));

    // Joining our group is fine; taking it as a unique name is not.
    EXPECT_FALSE(Ask(peer,
                     MakeRegistrationRequest(0x2222, Name("OFFICE", 0), {kNameGroup, kPeer}, 0),
                     port, 300ms));
    auto unique_claim =
        Ask(peer, MakeRegistrationRequest(0x2223, Name("OFFICE", 0), {0, kPeer}, 0), port);
    ASSERT_TRUE(unique_claim);
    EXPECT_EQ(unique_claim->Rcode(), kRcodeActive);

    // Anybody can send these; none answers a request of ours, so none takes a name away: a
    // conflict demand for a unique and for the group name, a refusal, a release demand, a
    // positive answer and a wait for acknowledgement of a hundred years.
    NamePacket refusal = MakeNegativeRegistrationResponse(0x2225, Name("PC1", 0), {0, kPeer});
    NamePacket positive = refusal;
    positive.flags &= 0xFFF0;
    NamePacket wait = positive;
    wait.flags = 0xBC00;
    wait.answers[0].ttl = 0xFFFFFFFF;
    for (const auto& packet :
         {MakeConflictDemand(0x2224, Name("PC1", 3), {0, kPeer}),
          MakeConflictDemand(0x2224, Name("OFFICE", 0), {kNameGroup, kPeer}), refusal,
          MakeReleaseRequest(0x2226, Name("PC1", 3), {0, kLoopback}, false), positive, wait}) {
        peer.Send(*BuildNamePacket(packet), kLoopback, port);
    }
    // Packets are taken in order: once a later question is answered, the others were seen.
    ASSERT_TRUE(Ask(peer, MakeNameQuery(0x2227, Name("PC1", 0), false), port));
    for (const auto& held : service.Names()) {
        EXPECT_EQ(held.state, NameState::Registered) << held.name.ToString();
    }
    EXPECT_TRUE(Ask(peer, MakeNameQuery(0x2228, Name("PC1", 3), true), port));
    EXPECT_TRUE(Ask(peer, MakeNameQuery(0x2229, Name("OFFICE", 0), true), port));
    EXPECT_EQ(service.ReceivingProblem(), "");
    EXPECT_EQ(book.Changes(), changes_before);
    EXPECT_EQ(book.Count("ignored: a name conflict demand for PC1<03> from 127.0.0.2"), 1u);
    EXPECT_EQ(book.Count("ignored: a name conflict demand for OFFICE<00> from 127.0.0.2"), 1u);
    EXPECT_EQ(book.Count("ignored: a name registration refusal for PC1<00>"), 1u);
    EXPECT_EQ(book.Count("ignored: 127.0.0.2 asks to release our name PC1<03>"), 1u);

    // A flood of them leaves a few lines, not one each.
    for (int i = 0; i < 100; ++i) {
        peer.Send(*BuildNamePacket(
                      MakeConflictDemand(static_cast<uint16_t>(i), Name("PC1", 3), {0, kPeer})),
                  kLoopback, port);
    }
    ASSERT_TRUE(Ask(peer, MakeNameQuery(0x222A, Name("PC1", 0), false), port));
    EXPECT_LE(book.Count("ignored"), 10u);
    EXPECT_EQ(service.Names()[1].state, NameState::Registered);
}

// RFC 1001 §14.1 first-level encoding with its length byte, no scope: how a name stands in a
// question.
std::string EncodedName(const std::string& name, uint8_t suffix) {
    std::string raw = name;
    raw.resize(15, ' ');
    raw.push_back(static_cast<char>(suffix));
    std::string encoded(1, '\x20');
    for (unsigned char byte : raw) {
        encoded.push_back(static_cast<char>('A' + (byte >> 4)));
        encoded.push_back(static_cast<char>('A' + (byte & 0x0F)));
    }
    return encoded;
}

TEST(NetbiosService, ARefusedNameNamesTheNodeThatRefusedIt) {
    // The service holds the port, so the other node hears the broadcasts through a raw socket.
    int raw = ::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_UDP);
    if (raw < 0) {
        GTEST_SKIP() << "no raw socket here (needs CAP_NET_RAW)";
    }
    uint16_t port = test::FreePortPair();
    auto config = TestConfig(port);
    config.registration_interval = 100ms;
    test::UdpPeer defender;  // answers from 127.0.0.2
    NetbiosService service(config);

    // It holds PC1<03> and answers a claim the way RFC 1002 §4.2.6 lays the answer out: the
    // claim's own record, the claimant's address in it.
    bool answered = false;
    auto deadline = std::chrono::steady_clock::now() + 2s;
    std::string packet(65536, '\0');
    while (!answered && std::chrono::steady_clock::now() < deadline) {
        pollfd entry{raw, POLLIN, 0};
        if (::poll(&entry, 1, 100) != 1) {
            continue;
        }
        ssize_t size = ::recv(raw, packet.data(), packet.size(), 0);
        if (size < 28) {
            continue;
        }
        size_t udp = (static_cast<unsigned char>(packet[0]) & 0x0F) * 4u;
        uint16_t destination_port =
            static_cast<uint16_t>(static_cast<unsigned char>(packet[udp + 2]) << 8 |
                                  static_cast<unsigned char>(packet[udp + 3]));
        std::string request = packet.substr(udp + 8, static_cast<size_t>(size) - udp - 8);
        if (destination_port != port || request.size() != 68 ||
            request.substr(2, 2) != "\x29\x10" ||
            request.substr(12, 34) != EncodedName("PC1", 3) + std::string(1, '\0')) {
            continue;
        }
        std::string reply = request.substr(0, 2);  // NAME_TRN_ID
        reply += std::string("\xAD\x86", 2);       // R, REGISTRATION, AA RD RA, ACT_ERR
        reply += std::string("\x00\x00\x00\x01\x00\x00\x00\x00", 8);  // QD 0, AN 1, NS 0, AR 0
        reply += request.substr(12, 34);                              // RR_NAME
        reply += std::string("\x00\x20\x00\x01", 4);                  // NB, IN
        reply += std::string("\x00\x00\x00\x00\x00\x06", 6);          // TTL 0, RDLENGTH 6
        reply += request.substr(62, 6);  // NB_FLAGS, NB_ADDRESS of the claim
        EXPECT_EQ(request.substr(64, 4), std::string("\x7F\x00\x00\x01", 4));
        answered = defender.Send(reply, kLoopback, port);
    }
    ::close(raw);
    ASSERT_TRUE(answered) << "no registration request for PC1<03> was heard";
    ASSERT_TRUE(service.WaitForRegistration(2s));
    auto names = service.Names();
    EXPECT_EQ(names[0].state, NameState::Registered);
    EXPECT_EQ(names[1].state, NameState::Refused);
    EXPECT_EQ(FormatAddress(names[1].refused_by), FormatAddress(kPeer));
    EXPECT_EQ(service.ReceivingProblem(), "Имя PC1<03> отвергнуто компьютером 127.0.0.2");
}

// A WINS server played by a peer: it answers what it is asked as `answer` says, until `done`.
void ServeAsNameServer(
    test::UdpPeer& server,
    const std::function<std::optional<NamePacket>(const NamePacket&, std::vector<NamePacket>&)>&
        answer,
    const std::function<bool()>& done, std::chrono::milliseconds timeout = 5s) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done() && std::chrono::steady_clock::now() < deadline) {
        auto received = server.Receive(100ms);
        auto request = received ? ParseNamePacket(received->bytes) : std::nullopt;
        if (!request || request->IsResponse()) {
            continue;
        }
        std::vector<NamePacket> first;  // sent before the answer (a wait for acknowledgement)
        auto reply = answer(*request, first);
        for (const auto& packet : first) {
            server.Send(*BuildNamePacket(packet), received->source, received->source_port);
        }
        if (reply) {
            server.Send(*BuildNamePacket(*reply), received->source, received->source_port);
        }
    }
}

NamePacket ServerAnswer(const NamePacket& request, uint8_t rcode, uint32_t ttl) {
    NamePacket reply;
    reply.transaction_id = request.transaction_id;
    reply.flags =
        static_cast<uint16_t>(kFlagResponse | (request.flags & 0x7800) | kFlagAuthoritative |
                              kFlagRecursionDesired | kFlagRecursionAvailable | rcode);
    ResourceRecord record =
        request.additional.empty()
            ? ResourceRecord{request.questions.front().name, kTypeNb, kClassIn, 0, {}}
            : request.additional.front();
    record.ttl = ttl;
    reply.answers.push_back(record);
    return reply;
}

TEST(NetbiosService, AnHNodeRegistersAtItsNameServerRefreshesReleasesAndAsksThereFirst) {
    uint16_t port = test::FreePortPair();
    test::UdpPeer server;  // 127.0.0.2
    auto config = TestConfig(port);
    config.name_servers = {kPeer};
    config.name_server_port = server.Port();
    config.name_server_interval = 100ms;
    auto owner = std::make_unique<NetbiosService>(config);

    // Registrations come unicast, from an H node; PC1<03> is held elsewhere: the server has
    // the owner asked first (a wait for acknowledgement), then refuses.
    std::vector<std::string> registered;
    ServeAsNameServer(
        server,
        [&](const NamePacket& request,
            std::vector<NamePacket>& first) -> std::optional<NamePacket> {
            EXPECT_EQ(request.flags, 0x2900);  // registration, RD, not broadcast
            auto owners = ParseNameOwners(request.additional.at(0).data);
            EXPECT_EQ(owners->at(0).flags & kNodeTypeHybrid, kNodeTypeHybrid);
            EXPECT_EQ(FormatAddress(owners->at(0).address), FormatAddress(kLoopback));
            std::string name = request.questions.at(0).name.name.ToString();
            registered.push_back(name);
            if (name != "PC1<03>") {
                return ServerAnswer(request, 0, 1);  // one second: a refresh follows soon
            }
            NamePacket wait = ServerAnswer(request, 0, 1);
            wait.flags = 0xBC00;  // wait for acknowledgement
            first.push_back(wait);
            return ServerAnswer(request, kRcodeActive, 0);
        },
        [&] { return registered.size() >= 3; });
    ASSERT_TRUE(owner->WaitForRegistration(3s));
    auto names = owner->Names();
    EXPECT_EQ(names[0].state, NameState::Registered);
    EXPECT_EQ(names[1].state, NameState::Refused);
    EXPECT_TRUE(names[1].refused_by_name_server);
    EXPECT_EQ(FormatAddress(names[1].refused_by), FormatAddress(kPeer));
    EXPECT_EQ(names[2].state, NameState::Registered);

    // Before their time runs out the names it holds are refreshed there.
    std::vector<std::string> refreshed;
    ServeAsNameServer(
        server,
        [&](const NamePacket& request, std::vector<NamePacket>&) -> std::optional<NamePacket> {
            if (request.Opcode() != NameOpcode::Refresh) {
                return std::nullopt;
            }
            refreshed.push_back(request.questions.at(0).name.name.ToString());
            return ServerAnswer(request, 0, 300);
        },
        [&] { return refreshed.size() >= 2; }, 3s);
    std::sort(refreshed.begin(), refreshed.end());
    EXPECT_EQ(refreshed, (std::vector<std::string>{"OFFICE<00>", "PC1<00>"}));

    // A client asks the server first; a name the server does not know is asked on the subnet.
    auto client_config = TestConfig(port, ServiceMode::Client);
    client_config.name_servers = config.name_servers;
    client_config.name_server_port = server.Port();
    client_config.name_server_interval = 100ms;
    NetbiosService client(client_config);
    std::vector<std::string> asked;
    std::thread serving([&] {
        ServeAsNameServer(
            server,
            [&](const NamePacket& request, std::vector<NamePacket>&) -> std::optional<NamePacket> {
                if (request.Opcode() != NameOpcode::Query) {
                    return std::nullopt;
                }
                EXPECT_EQ(request.flags & kFlagBroadcast, 0);
                std::string name = request.questions.at(0).name.name.ToString();
                asked.push_back(name);
                if (name != "PC2<03>") {
                    return MakeNegativeQueryResponse(request.transaction_id,
                                                     request.questions.at(0).name);
                }
                return MakePositiveQueryResponse(request.transaction_id,
                                                 request.questions.at(0).name, 300,
                                                 {{kNodeTypeHybrid, 0x0A020002}});
            },
            [&] { return asked.size() >= 2; });
    });
    auto far = client.QueryName(NetbiosName::Make("PC2", 3));
    auto near = client.QueryName(NetbiosName::Make("PC1", 0));
    serving.join();
    ASSERT_TRUE(far);
    EXPECT_EQ(FormatAddress(far->address), "10.2.0.2");
    ASSERT_TRUE(near);
    EXPECT_EQ(FormatAddress(near->address), FormatAddress(kLoopback));

    // At the end the names it holds there are given back, and the end does not wait for more.
    std::vector<std::string> released;
    std::thread releasing([&] {
        ServeAsNameServer(
            server,
            [&](const NamePacket& request, std::vector<NamePacket>&) -> std::optional<NamePacket> {
                if (request.Opcode() != NameOpcode::Release) {
                    return std::nullopt;
                }
                EXPECT_EQ(request.flags & kFlagBroadcast, 0);
                released.push_back(request.questions.at(0).name.name.ToString());
                return ServerAnswer(request, 0, 0);
            },
            [&] { return released.size() >= 2; });
    });
    auto start = std::chrono::steady_clock::now();
    owner.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 400ms);
    releasing.join();
    std::sort(released.begin(), released.end());
    EXPECT_EQ(released, (std::vector<std::string>{"OFFICE<00>", "PC1<00>"}));
}

TEST(NetbiosService, RegistersOnItsOwnClock) {
    uint16_t port = test::FreePortPair();
    TestClock clock(false);
    auto config = TestConfig(port);
    config.clock = clock.Now();
    NetbiosService service(config);
    // Three rounds 50 ms apart take no time while the clock stands still ...
    EXPECT_FALSE(service.WaitForRegistration(500ms));
    EXPECT_EQ(service.Names()[0].state, NameState::Registering);
    // ... and end as soon as it says the time has passed.
    int steps = 0;
    while (steps < 20 && !service.WaitForRegistration(20ms)) {
        clock.Advance(50ms);
        service.TimeMoved();
        ++steps;
    }
    EXPECT_GE(steps, 3);
    EXPECT_EQ(service.Names()[0].state, NameState::Registered);
}

TEST(NetbiosService, HandsOverMailslotWritesForOurNamesOnlyAndInOrder) {
    uint16_t port = test::FreePortPair();
    Inbox inbox;
    NetbiosService service(TestConfig(port), inbox.Receiver());
    ASSERT_TRUE(service.WaitForRegistration(2s));
    test::UdpPeer peer;
    uint16_t datagram_port = static_cast<uint16_t>(port + 1);
    auto send = [&](const std::string& bytes) { peer.Send(bytes, kLoopback, datagram_port); };

    std::string binary("A\0B\0\x14\xFF", 6);
    send(MailslotDatagram(DatagramType::DirectUnique, NetbiosName::Make("PC1", 3), "MESSNGR",
                          "one"));
    send(MailslotDatagram(DatagramType::DirectUnique, NetbiosName::Make("PC9", 3), "MESSNGR",
                          "not ours"));
    send(MailslotDatagram(DatagramType::DirectGroup, NetbiosName::Make("OFFICE", 0), "messngr",
                          "two"));
    send(MailslotDatagram(DatagramType::DirectGroup, NetbiosName::Make("SALES", 0), "MESSNGR",
                          "other group"));
    send(MailslotDatagram(DatagramType::DirectUnique, NetbiosName::Make("PC1", 3), "MESSNGR",
                          "part", kDatagramFlagFirst | kDatagramFlagMore));
    send(MailslotDatagram(DatagramType::Broadcast, NetbiosName::Wildcard(), "Sub\\Slot", "three"));
    send(MailslotDatagram(DatagramType::DirectUnique, NetbiosName::Make("PC1", 0), "MESSNGR",
                          binary));
    send("garbage");
    Datagram not_a_mailslot;
    not_a_mailslot.destination = NetbiosName::Make("PC1", 3);
    not_a_mailslot.user_data = "\xFFSMB\x72";
    send(*BuildDatagram(not_a_mailslot));
    send(MailslotDatagram(DatagramType::DirectUnique, NetbiosName::Make("PC1", 3), "MESSNGR",
                          "last"));

    auto messages = inbox.WaitFor(5);
    EXPECT_EQ(messages, (std::vector<std::string>{"MESSNGR|one", "messngr|two", "Sub\\Slot|three",
                                                  "MESSNGR|" + binary, "MESSNGR|last"}));
}

std::string AnnouncementDatagram(const char* computer, NetbiosName destination, const char* slot,
                                 uint32_t server_type = 0x1003) {
    HostAnnouncement frame;
    frame.periodicity_ms = 60000;
    frame.server_name = computer;
    frame.server_type = server_type;
    return MailslotDatagram(DatagramType::DirectGroup, destination, slot,
                            *BuildHostAnnouncement(frame));
}

TEST(NetbiosService, KeepsBrowserFramesForItsBrowseListAndHandsOverTheRest) {
    uint16_t port = test::FreePortPair();
    Inbox inbox;
    NetbiosService service(TestConfig(port), inbox.Receiver());
    ASSERT_TRUE(service.WaitForRegistration(2s));
    test::UdpPeer peer;
    auto send = [&](const std::string& bytes) {
        peer.Send(bytes, kLoopback, static_cast<uint16_t>(port + 1));
    };
    // Announcements go to the names of master browsers, which this computer does not hold.
    send(AnnouncementDatagram("PC2", NetbiosName::Make("OFFICE", kMasterBrowserSuffix), "BROWSE"));
    send(AnnouncementDatagram("PC3", NetbiosName::Make("SALES", kMasterBrowserSuffix), "lanman"));
    send(MailslotDatagram(DatagramType::DirectUnique, NetbiosName::Make("PC1", 3), "MESSNGR",
                          "after"));
    EXPECT_EQ(inbox.WaitFor(1), std::vector<std::string>{"MESSNGR|after"});
    auto snapshot = service.Neighbourhood().Snapshot();
    EXPECT_EQ(snapshot.workgroups, (std::vector<std::string>{"OFFICE", "SALES"}));
    ASSERT_EQ(snapshot.computers.size(), 3u);
    EXPECT_EQ(snapshot.computers[1], (BrowseComputer{"OFFICE", "PC2", 0x1003, "", kPeer}));
    EXPECT_EQ(snapshot.computers[2].name, "PC3");

    uint64_t seen = service.Neighbourhood().Generation();
    send(AnnouncementDatagram("PC2", NetbiosName::Make("OFFICE", kMasterBrowserSuffix), "BROWSE",
                              0));
    ASSERT_TRUE(service.Neighbourhood().WaitForChange(seen, 2s));
    EXPECT_TRUE(service.Neighbourhood().Snapshot().ComputersOf("OFFICE").size() == 1);
    EXPECT_EQ(inbox.WaitFor(2, 200ms).size(), 1u);
    EXPECT_TRUE(service.RequestAnnouncements());
}

TEST(NetbiosService, AServiceWithoutThePortsKnowsOnlyItself) {
    uint16_t port = test::FreePortPair();
    NetbiosService client(TestConfig(port, ServiceMode::Client));
    EXPECT_FALSE(client.RequestAnnouncements());  // no answer could reach it
    auto snapshot = client.Neighbourhood().Snapshot();
    EXPECT_EQ(snapshot.workgroups, std::vector<std::string>{"OFFICE"});
    ASSERT_EQ(snapshot.computers.size(), 1u);
    EXPECT_EQ(snapshot.computers[0].name, "PC1");
}

TEST(NetbiosService, ClientResolvesThroughTheOwnerAndFailsUnknownNamesInBoundedTime) {
    uint16_t port = test::FreePortPair();
    Inbox inbox;
    auto owner = std::make_unique<NetbiosService>(TestConfig(port), inbox.Receiver());
    ASSERT_TRUE(owner->WaitForRegistration(2s));
    auto client_config = TestConfig(port, ServiceMode::Client);
    client_config.computer_name = "PC2";
    TestClock clock;
    client_config.clock = clock.Now();
    NetbiosService client(client_config);
    EXPECT_FALSE(client.Status().network_owner);
    EXPECT_TRUE(client.Status().problem.empty());
    EXPECT_TRUE(client.Names().empty());

    NameResolver resolver(client);
    EXPECT_EQ(resolver.Resolve("pc1"), (ResolvedTarget{ResolvedTarget::Kind::Computer, kLoopback}));
    EXPECT_EQ(resolver.Resolve("office"), (ResolvedTarget{ResolvedTarget::Kind::Group, kLoopback}));
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(resolver.Resolve("NOBODY"));
    auto took = std::chrono::steady_clock::now() - start;
    // Three tries for NOBODY<03>, three for NOBODY<00>.
    EXPECT_GE(took, 500ms);
    EXPECT_LT(took, 1500ms);

    // A node asked for its names tells them; a silent address gives nothing, in bounded time.
    auto status = client.QueryNodeStatus(kLoopback);
    ASSERT_TRUE(status);
    EXPECT_EQ(status->address, kLoopback);
    std::vector<std::string> names;
    for (const auto& entry : status->names) {
        names.push_back(entry.name.ToString() + ((entry.flags & kNameGroup) ? " group" : ""));
    }
    EXPECT_EQ(names, (std::vector<std::string>{"PC1<00>", "PC1<03>", "OFFICE<00> group"}));
    start = std::chrono::steady_clock::now();
    EXPECT_FALSE(client.QueryNodeStatus(kPeer));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1000ms);

    // A unique datagram from another process of this computer is taken.
    auto smb = *BuildMailslotWrite("\\MAILSLOT\\MESSNGR", "hi");
    EXPECT_TRUE(client.SendDatagram(DatagramType::DirectUnique, NetbiosName::Make("PC1", 3),
                                    kLoopback, smb));
    EXPECT_EQ(inbox.WaitFor(1), std::vector<std::string>{"MESSNGR|hi"});

    // The cache answers without asking, for the cache lifetime (ten minutes).
    owner.reset();
    clock.Advance(9min);
    EXPECT_TRUE(resolver.Resolve("PC1"));
    clock.Advance(1min);
    EXPECT_FALSE(resolver.Resolve("PC1"));
}

TEST(NetbiosService, ClientDatagramsSayTheServicePortAndTheirSender) {
    uint16_t port = test::FreePortPair();
    auto config = TestConfig(port, ServiceMode::Client);
    NetbiosService client(config);
    test::UdpPeer peer(kPeer, static_cast<uint16_t>(port + 1));
    auto smb = *BuildMailslotWrite("\\MAILSLOT\\MESSNGR", "hi");
    ASSERT_TRUE(
        client.SendDatagram(DatagramType::DirectUnique, NetbiosName::Make("PC2", 3), kPeer, smb));
    auto packet = peer.Receive(1s);
    ASSERT_TRUE(packet);
    EXPECT_NE(packet->source_port, port + 1);  // sent from a port of its own
    auto datagram = ParseDatagram(packet->bytes);
    ASSERT_TRUE(datagram);
    EXPECT_EQ(datagram->source_port, port + 1);
    EXPECT_EQ(datagram->source_ip, kLoopback);
    EXPECT_EQ(datagram->source.ToString(), "PC1<00>");
    EXPECT_EQ(datagram->destination.ToString(), "PC2<03>");
    EXPECT_EQ(ParseMailslotWrite(datagram->user_data)->data, "hi");
    ASSERT_TRUE(
        client.SendDatagram(DatagramType::DirectUnique, NetbiosName::Make("PC2", 3), kPeer, smb));
    auto second = ParseDatagram(peer.Receive(1s)->bytes);
    EXPECT_EQ(second->id, static_cast<uint16_t>(datagram->id + 1));
}

std::string ProgramName() {
    return std::filesystem::read_symlink("/proc/self/exe").filename().string();
}

TEST(NetbiosService, OwnerWithoutItsPortsSaysWhyAndStillSends) {
    uint16_t port = test::FreePortPair();
    test::UdpPeer squatter(0, static_cast<uint16_t>(port + 1));  // holds the datagram port
    NetbiosService service(TestConfig(port));
    auto status = service.Status();
    EXPECT_FALSE(status.network_owner);
    EXPECT_EQ(status.failed_port, port + 1);
    EXPECT_EQ(status.error_number, EADDRINUSE);
    // The holder is named: here, this very test program.
    EXPECT_NE(status.problem.find("UDP port " + std::to_string(port + 1) + " is in use by " +
                                  ProgramName() + " (process " + std::to_string(::getpid()) + ")"),
              std::string::npos)
        << status.problem;
    EXPECT_TRUE(service.Names().empty());
    auto smb = *BuildMailslotWrite("\\MAILSLOT\\MESSNGR", "hi");
    EXPECT_TRUE(service.SendDatagram(DatagramType::DirectUnique, NetbiosName::Make("PC2", 3),
                                     kLoopback, smb));
    EXPECT_TRUE(squatter.Receive(1s));
}

TEST(NetbiosService, TakesItsPortsOverOnceTheirHolderLetsGo) {
    uint16_t port = test::FreePortPair();
    auto squatter = std::make_unique<test::UdpPeer>(0, static_cast<uint16_t>(port + 1));
    LogBook book;
    Inbox inbox;
    auto config = TestConfig(port);
    config.retry_interval = 300ms;
    config.log = book.Log();
    NetbiosService service(config, inbox.Receiver());
    service.SetStatusListener(book.Listener());
    ASSERT_FALSE(service.Status().network_owner);
    EXPECT_EQ(service.ReceivingProblem(),
              "Порт UDP " + std::to_string(port + 1) + " занят программой " + ProgramName());

    squatter.reset();
    ASSERT_TRUE(Eventually([&] { return service.Status().network_owner; }));
    // The listener is told right after the status changed, on the service's thread.
    EXPECT_TRUE(Eventually([&] { return book.Changes() >= 1; }));
    ASSERT_TRUE(service.WaitForRegistration(2s));
    ASSERT_EQ(service.Names().size(), 3u);
    for (const auto& held : service.Names()) {
        EXPECT_EQ(held.state, NameState::Registered) << held.name.ToString();
    }
    auto status = service.Status();
    EXPECT_EQ(status.failed_port, 0);
    EXPECT_EQ(status.problem, "");
    EXPECT_EQ(service.ReceivingProblem(), "");
    EXPECT_EQ(book.Count("are free now and taken over"), 1u);

    test::UdpPeer sender;
    sender.Send(
        MailslotDatagram(DatagramType::DirectUnique, NetbiosName::Make("PC1", 3), "MESSNGR", "hi"),
        kLoopback, static_cast<uint16_t>(port + 1));
    EXPECT_EQ(inbox.WaitFor(1), std::vector<std::string>{"MESSNGR|hi"});
}

TEST(NetbiosService, TakesOnlyAnswersToItsOwnRequestsAndRegistersARefusedNameAgain) {
    uint16_t port = test::FreePortPair();
    test::UdpPeer server;  // 127.0.0.2
    LogBook book;
    auto config = TestConfig(port);
    config.name_servers = {kPeer};
    config.name_server_port = server.Port();
    config.name_server_interval = 100ms;
    config.retry_interval = 500ms;
    config.log = book.Log();
    NetbiosService service(config);
    service.SetStatusListener(book.Listener());

    // The server refuses PC1<03> and the group; before every answer comes a forged one with
    // another transaction id.
    std::vector<std::string> asked;
    std::optional<NamePacket> computer_name_request;
    ServeAsNameServer(
        server,
        [&](const NamePacket& request,
            std::vector<NamePacket>& first) -> std::optional<NamePacket> {
            std::string name = request.questions.at(0).name.name.ToString();
            asked.push_back(name);
            NamePacket forged = ServerAnswer(request, kRcodeActive, 0);
            forged.transaction_id ^= 0x5555;
            first.push_back(forged);
            if (name == "PC1<00>") {
                computer_name_request = request;
                return ServerAnswer(request, 0, 300);
            }
            return ServerAnswer(request, kRcodeActive, 0);
        },
        [&] { return asked.size() >= 3; });
    ASSERT_TRUE(service.WaitForRegistration(3s));
    auto names = service.Names();
    EXPECT_EQ(names[0].state, NameState::Registered);
    EXPECT_EQ(names[1].state, NameState::Refused);
    EXPECT_EQ(names[2].state, NameState::Registered);  // a group's messages reach us anyway
    EXPECT_EQ(service.ReceivingProblem(), "Имя PC1<03> отвергнуто сервером имён 127.0.0.2");
    EXPECT_GE(book.Changes(), 1);
    EXPECT_EQ(book.Count("the group name OFFICE<00> was refused by the name server"), 1u);

    // The server's refusal of PC1<00>, sent again while no refresh waits for an answer.
    ASSERT_TRUE(computer_name_request);
    server.Send(*BuildNamePacket(ServerAnswer(*computer_name_request, kRcodeActive, 0)), kLoopback,
                port);
    test::UdpPeer peer;
    ASSERT_TRUE(Ask(peer, MakeNameQuery(0x3331, Name("PC1", 0), false), port));
    EXPECT_EQ(service.Names()[0].state, NameState::Registered);

    // The name is free later: it is registered again by itself.
    ServeAsNameServer(
        server,
        [&](const NamePacket& request, std::vector<NamePacket>&) -> std::optional<NamePacket> {
            return ServerAnswer(request, 0, 300);
        },
        [&] { return service.Names()[1].state == NameState::Registered; });
    EXPECT_EQ(service.Names()[1].state, NameState::Registered);
    EXPECT_EQ(service.ReceivingProblem(), "");
}

TEST(NetbiosService, LosesNothingOfABurst) {
    uint16_t port = test::FreePortPair();
    std::mutex mutex;
    std::condition_variable changed;
    size_t received = 0;
    bool in_order = true;
    NetbiosService service(TestConfig(port), [&](std::vector<ArrivedMailslotWrite> writes) {
        std::lock_guard lock(mutex);
        for (const auto& write : writes) {
            in_order = in_order && write.data == std::to_string(received);
            ++received;
        }
        changed.notify_all();
    });
    ASSERT_TRUE(service.WaitForRegistration(2s));
    test::UdpPeer peer;
    constexpr size_t kBurst = 10000;
    for (size_t i = 0; i < kBurst; ++i) {
        ASSERT_TRUE(
            peer.Send(MailslotDatagram(DatagramType::DirectUnique, NetbiosName::Make("PC1", 3),
                                       "MESSNGR", std::to_string(i)),
                      kLoopback, static_cast<uint16_t>(port + 1)));
    }
    std::unique_lock lock(mutex);
    changed.wait_for(lock, 10s, [&] { return received == kBurst; });
    EXPECT_EQ(received, kBurst);
    EXPECT_TRUE(in_order);
}

// The address and undefined-behaviour sanitizers open descriptors of their own while checking
// (UBSan's type checks among them), so a process without a free descriptor is no place for
// them; ThreadSanitizer runs it well.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

TEST(NetbiosService, SaysAtOnceWhenItsThreadCannotBeSetUpInsteadOfHangingAtTheEnd) {
    if (kSanitized) {
        GTEST_SKIP() << "needs a process without free descriptors, which the address "
                        "sanitizer's runtime cannot run in";
    }
    uint16_t port = test::FreePortPair();
    struct Outcome {
        std::promise<void> constructed;
        std::promise<std::string> ended;
    };
    auto outcome = std::make_shared<Outcome>();
    auto constructed = outcome->constructed.get_future();
    auto ended = outcome->ended.get_future();
    // No descriptor is to be had: neither the wake-up event nor a socket.
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &old), 0);
    int lowest_free = ::dup(0);
    ::close(lowest_free);
    rlimit tight = old;
    tight.rlim_cur = static_cast<rlim_t>(lowest_free);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &tight), 0);
    std::thread([outcome, config = TestConfig(port)] {
        try {
            {
                NetbiosService service(config);
                outcome->constructed.set_value();
            }
            outcome->ended.set_value("constructed");
        } catch (const std::system_error& error) {
            outcome->constructed.set_value();
            outcome->ended.set_value(std::string("threw: ") + error.what());
        }
    }).detach();
    bool came_back = constructed.wait_for(5s) == std::future_status::ready;
    ::setrlimit(RLIMIT_NOFILE, &old);
    ASSERT_TRUE(came_back);
    ASSERT_EQ(ended.wait_for(5s), std::future_status::ready) << "the service never ended";
    EXPECT_NE(ended.get().find("threw: NetBIOS service: no eventfd"), std::string::npos);
}

TEST(DnsLookups, RunAFewAtATimeAndNoneOutlivesThem) {
    std::mutex mutex;
    std::condition_variable changed;
    bool released = false;
    int running = 0;
    int most = 0;
    {
        DnsLookups dns(2, [&](const std::string&) -> std::optional<uint32_t> {
            std::unique_lock lock(mutex);
            most = std::max(most, ++running);
            changed.wait(lock, [&] { return released; });
            --running;
            return 0x0A000001;
        });
        // Two look-ups that hang are given up on, but hold their threads ...
        EXPECT_FALSE(dns.LookUp("a", 20ms));
        EXPECT_FALSE(dns.LookUp("b", 20ms));
        // ... so a third finds no thread and fails in its time.
        auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(dns.LookUp("c", 50ms));
        EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
        {
            std::lock_guard lock(mutex);
            EXPECT_EQ(running, 2);
            released = true;
        }
        changed.notify_all();
        // Once they end there is room again.
        EXPECT_EQ(dns.LookUp("d", 2s), std::optional<uint32_t>(0x0A000001));
    }
    // Whatever still ran has ended with the look-ups' owner.
    EXPECT_EQ(running, 0);
    EXPECT_EQ(most, 2);
}

TEST(UdpPortHolder, NamesTheProcessThatHoldsAPortAndNothingForAFreeOne) {
    uint16_t port = test::FreePortPair();
    EXPECT_EQ(UdpPortHolder(port), std::nullopt);
    test::UdpPeer holder(0, port);
    EXPECT_EQ(UdpPortHolder(port), ProgramName() + " (process " + std::to_string(::getpid()) + ")");
    // A proc file system without such a socket, or without the tables at all.
    EXPECT_EQ(UdpPortHolder(port, "/nonexistent"), std::nullopt);
}

TEST(UdpPortHolder, NamesTheUserOfASocketWhoseProcessCannotBeSeen) {
    // Another user's process shows its sockets in the tables, but not its file descriptors.
    auto proc = std::filesystem::temp_directory_path() / ("lyr_proc_" + std::to_string(::getpid()));
    std::filesystem::create_directories(proc / "net");
    std::ofstream(proc / "net" / "udp")
        << "  sl  local_address rem_address   st tx_queue rx_queue tr tm->when retrnsmt   uid  "
           "timeout inode ref pointer drops\n"
           "  12: 00000000:0089 00000000:0000 07 00000000:00000000 00:00000000 00000000     0  "
           "      0 4242 2 0000000000000000 0\n";
    auto holder = FindUdpPortHolder(137, proc);
    std::filesystem::remove_all(proc);
    ASSERT_TRUE(holder);
    EXPECT_EQ(DescribePortHolder(*holder),
              "a program of user root (its process cannot be seen from this account)");
    EXPECT_EQ(DescribePortHolderRu(*holder),
              "программой пользователя root (её процесс отсюда не виден)");
}

}  // namespace
}  // namespace lyr::netbios
