// SPDX-License-Identifier: GPL-3.0-or-later
// Popup messages over the NetBIOS session service: packets, the SMB message commands, one
// conversation, and the listener over loopback.
#include <arpa/inet.h>
#include <errno.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "netbios/port_holder.h"
#include "netbios/session_client.h"
#include "netbios/session_conversation.h"
#include "netbios/session_listener.h"
#include "netbios/session_packet.h"

namespace lyr::netbios {
namespace {

using namespace std::chrono_literals;

const NetbiosName kOurs = NetbiosName::Make("PC1", kMessengerSuffix);
const NetbiosName kAnna = NetbiosName::Make("ANNA", kWorkstationSuffix);

std::string Request(const NetbiosName& called, const NetbiosName& calling = kAnna) {
    return *BuildSessionRequest({{called, ""}, {calling, ""}});
}

std::string Smb(const SmbFrame& frame) {
    return *BuildSessionPacket(SessionType::Message, *BuildSmb(frame));
}

// As a port's holder is named: "program (process N)".
std::string ThisProgram() {
    return std::string(program_invocation_short_name) + " (process " + std::to_string(::getpid()) +
           ")";
}

SessionConversation::Settings Settings() {
    return {"PC1", "", [](const NetbiosName& name) { return name == kOurs; }};
}

// Feeds one whole packet.
SessionConversation::Step Feed(SessionConversation& conversation, std::string_view packet) {
    auto header = ParseSessionHeader(packet);
    EXPECT_TRUE(header);
    return conversation.OnPacket(*header, packet.substr(kSessionHeaderSize));
}

// The status of an SMB reply, and that it is a reply to `command`.
uint32_t ReplyStatus(const std::string& reply, uint8_t command) {
    auto header = ParseSessionHeader(reply);
    auto frame =
        header ? ParseSmb(std::string_view(reply).substr(kSessionHeaderSize)) : std::nullopt;
    EXPECT_TRUE(frame);
    if (!frame) {
        return ~0u;
    }
    EXPECT_EQ(header->type, 0x00);
    EXPECT_EQ(frame->command, command);
    EXPECT_EQ(frame->flags & kSmbFlagsReply, kSmbFlagsReply);
    return frame->status;
}

TEST(SessionPacket, HeadersAndRequestsReadBackAndBrokenOnesAreRefused) {
    auto big = BuildSessionPacket(SessionType::Message, std::string(0x10005, 'x'));
    ASSERT_TRUE(big);
    EXPECT_EQ(big->substr(0, 4), std::string("\x00\x01\x00\x05", 4));  // 17-bit length
    EXPECT_EQ(ParseSessionHeader(*big)->length, 0x10005u);
    EXPECT_FALSE(BuildSessionPacket(SessionType::Message, std::string(0x20000, 'x')));
    EXPECT_FALSE(ParseSessionHeader(std::string("\x00\x02\x00\x00", 4)));  // reserved flag bit
    EXPECT_FALSE(ParseSessionHeader(std::string("\x85\x00\x00", 3)));

    std::string request = Request(kOurs);
    EXPECT_EQ(request.size(), 4u + 68u);
    EXPECT_EQ(request.substr(0, 4), std::string("\x81\x00\x00\x44", 4));
    auto parsed = ParseSessionRequest(request.substr(4));
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->called.name, kOurs);
    EXPECT_EQ(parsed->calling.name, kAnna);
    for (size_t cut : {0, 1, 33, 34, 67}) {
        EXPECT_FALSE(ParseSessionRequest(request.substr(4, cut))) << cut;
    }
    EXPECT_FALSE(ParseSessionRequest(request.substr(4) + "x"));
}

TEST(SmbMessages, CommandsReadBackAndEveryBrokenLengthOrFormatIsRefused) {
    SmbMessageNames names{"IVAN", "PC1"};
    auto single = ParseSendMessage(*ParseSmb(*BuildSmb(MakeSendMessage(names, "hi"))));
    ASSERT_TRUE(single);
    EXPECT_EQ(single->names.originator, "IVAN");
    EXPECT_EQ(single->names.destination, "PC1");
    EXPECT_EQ(single->text, "hi");
    EXPECT_EQ(ParseSendStart(*ParseSmb(*BuildSmb(MakeSendStart(names))))->destination, "PC1");
    auto block = ParseSendText(*ParseSmb(*BuildSmb(MakeSendText(7, "part"))));
    ASSERT_TRUE(block);
    EXPECT_EQ(block->group, 7);
    EXPECT_EQ(block->text, "part");
    EXPECT_EQ(ParseSendEnd(*ParseSmb(*BuildSmb(MakeSendEnd(7)))), std::optional<uint16_t>(7));

    // Every cut of a whole SMB, and counts that point past the end.
    std::string smb = *BuildSmb(MakeSendMessage(names, "hello"));
    for (size_t cut = 0; cut < smb.size(); ++cut) {
        EXPECT_FALSE(ParseSmb(smb.substr(0, cut))) << cut;
    }
    std::string words_past = smb;
    words_past[32] = 1;
    EXPECT_FALSE(ParseSmb(words_past));
    // Wrong buffer formats, a name without its NUL, a text longer than a block or its buffer.
    SmbFrame frame = *ParseSmb(smb);
    for (auto change :
         {+[](std::string& b) { b[0] = 0x02; }, +[](std::string& b) { b[b.find('\0') + 1] = 0x01; },
          +[](std::string& b) { b.resize(3); }, +[](std::string& b) { b[b.size() - 7] = 9; },
          +[](std::string& b) { b[b.size() - 6] = 0x7F; }}) {
        SmbFrame broken = frame;
        change(broken.bytes);
        EXPECT_FALSE(ParseSendMessage(broken));
    }
    SmbFrame long_block = MakeSendText(1, "");
    long_block.bytes = std::string("\x01\x81\x00", 3) + std::string(129, 'x');
    EXPECT_FALSE(ParseSendText(long_block));
    EXPECT_FALSE(ParseSendEnd(MakeSendStart(names)));
}

TEST(SmbMessages, TheSenderNamesTheCallingComputerWhenTheOriginatorDiffers) {
    EXPECT_EQ(SessionSenderName("IVAN", kAnna), "IVAN (ANNA)");
    EXPECT_EQ(SessionSenderName("anna", kAnna), "anna");
    EXPECT_EQ(SessionSenderName("", kAnna), "ANNA");
    // The reply path takes the word between parentheses: none may come from the originator.
    EXPECT_EQ(SessionSenderName("x(y)", kAnna), "xy (ANNA)");
}

TEST(SessionConversation, AcceptsOurNameOnlyAndAnswersKeepAlives) {
    SessionConversation other(Settings());
    auto refused = Feed(other, Request(NetbiosName::Make("PC2", kMessengerSuffix)));
    EXPECT_EQ(refused.reply, std::string("\x83\x00\x00\x01\x82", 5));
    EXPECT_TRUE(refused.close);
    SessionConversation workstation(Settings());
    EXPECT_TRUE(Feed(workstation, Request(NetbiosName::Make("PC1", kWorkstationSuffix))).close);

    SessionConversation early(Settings());
    EXPECT_TRUE(Feed(early, Smb(MakeSendMessage({"IVAN", "PC1"}, "hi"))).close);

    SessionConversation ours(Settings());
    auto accepted = Feed(ours, Request(kOurs));
    EXPECT_EQ(accepted.reply, std::string("\x82\x00\x00\x00", 4));
    EXPECT_FALSE(accepted.close);
    auto alive = Feed(ours, std::string("\x85\x00\x00\x00", 4));
    EXPECT_EQ(alive.reply, std::string("\x85\x00\x00\x00", 4));
    EXPECT_FALSE(alive.close);
    EXPECT_TRUE(Feed(ours, Request(kOurs)).close);  // a second request
}

TEST(SessionConversation, DeliversSingleAndMultiBlockMessagesAndAnswersMistakes) {
    SessionConversation session(Settings());
    Feed(session, Request(kOurs));
    auto single = Feed(session, Smb(MakeSendMessage({"IVAN", "pc1"}, "hi")));
    EXPECT_EQ(ReplyStatus(single.reply, kSmbSendMessage), 0u);
    ASSERT_TRUE(single.message);
    EXPECT_EQ(single.message->sender, "IVAN (ANNA)");
    EXPECT_EQ(single.message->destination, "pc1");
    EXPECT_EQ(single.message->text, "hi");

    // A text block before any start, and an end without one.
    auto early = Feed(session, Smb(MakeSendText(1, "x")));
    EXPECT_EQ(ReplyStatus(early.reply, kSmbSendTextMessage), kSmbInvalid.Status());
    EXPECT_FALSE(early.message);
    EXPECT_EQ(ReplyStatus(Feed(session, Smb(MakeSendEnd(1))).reply, kSmbSendEndMessage),
              kSmbInvalid.Status());

    auto start = Feed(session, Smb(MakeSendStart({"IVAN", "PC1"})));
    EXPECT_EQ(ReplyStatus(start.reply, kSmbSendStartMessage), 0u);
    auto group = ParseSmb(start.reply.substr(4))->words;
    ASSERT_EQ(group.size(), 2u);
    uint16_t id = static_cast<uint16_t>(static_cast<uint8_t>(group[0]) | group[1] << 8);
    std::string sent;
    for (char c : {'a', 'b', 'c'}) {
        std::string block(128, c);
        sent += block;
        EXPECT_EQ(
            ReplyStatus(Feed(session, Smb(MakeSendText(id, block))).reply, kSmbSendTextMessage),
            0u);
    }
    EXPECT_EQ(ReplyStatus(Feed(session, Smb(MakeSendText(id + 1, "x"))).reply, kSmbSendTextMessage),
              kSmbInvalid.Status());
    auto end = Feed(session, Smb(MakeSendEnd(id)));
    ASSERT_TRUE(end.message);
    EXPECT_EQ(end.message->text, sent);

    // Beyond the bound the message is refused whole.
    auto big = Feed(session, Smb(MakeSendStart({"IVAN", "PC1"})));
    id = static_cast<uint16_t>(id + 1);
    std::vector<uint32_t> statuses;
    std::vector<size_t> refused_lengths;
    for (size_t i = 0; i * 128 <= kMaxSessionMessageText; ++i) {
        auto step = Feed(session, Smb(MakeSendText(id, std::string(128, 'x'))));
        statuses.push_back(ReplyStatus(step.reply, kSmbSendTextMessage));
        refused_lengths.push_back(step.refused_length);
    }
    EXPECT_EQ(statuses.back(), kSmbNoRoom.Status());
    // Told once, with the length it would have had, for the counts of refusals.
    EXPECT_EQ(refused_lengths.back(), refused_lengths.size() * 128);
    EXPECT_EQ(std::count(refused_lengths.begin(), refused_lengths.end(), 0u),
              static_cast<long>(refused_lengths.size() - 1));
    EXPECT_FALSE(Feed(session, Smb(MakeSendEnd(id))).message);

    // Another computer's name, and a command we do not serve.
    EXPECT_EQ(ReplyStatus(Feed(session, Smb(MakeSendMessage({"IVAN", "PC2"}, "hi"))).reply,
                          kSmbSendMessage),
              kSmbNotReceiving.Status());
    SmbFrame negotiate;
    negotiate.command = 0x72;
    auto refused = Feed(session, Smb(negotiate));
    EXPECT_EQ(ReplyStatus(refused.reply, 0x72), kSmbUnknownCommand.Status());
    EXPECT_FALSE(refused.close);
}

// A TCP client of the listener on loopback.
class Client {
public:
    explicit Client(uint16_t port) : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(port);
        connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    ~Client() { ::close(fd_); }
    bool Connected() const { return connected_; }
    void Send(std::string_view bytes) {
        ASSERT_EQ(::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL),
                  static_cast<ssize_t>(bytes.size()));
    }
    // What arrives within `wait`; closed when the listener hung up.
    std::string Receive(size_t count, std::chrono::milliseconds wait, bool* closed = nullptr) {
        std::string got;
        auto end = std::chrono::steady_clock::now() + wait;
        while (got.size() < count) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                end - std::chrono::steady_clock::now());
            pollfd entry{fd_, POLLIN, 0};
            if (left.count() <= 0 || ::poll(&entry, 1, static_cast<int>(left.count())) != 1) {
                break;
            }
            char buffer[512];
            ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
            if (n <= 0) {
                if (closed) {
                    *closed = true;
                }
                break;
            }
            got.append(buffer, static_cast<size_t>(n));
        }
        return got;
    }

private:
    int fd_;
    bool connected_ = false;
};

TEST(SessionListener, DeliversAndCutsOffSilentOversizedAndSurplusPeers) {
    SessionLimits limits;
    limits.port = 0;
    limits.max_connections = 3;
    limits.max_connections_per_address = 3;
    limits.stall_timeout = 300ms;
    std::mutex mutex;
    std::condition_variable arrived;
    std::vector<SessionMessage> messages;
    std::vector<std::pair<uint32_t, size_t>> refusals;
    SessionListener listener(
        limits, Settings(),
        [&](SessionMessage message) {
            std::lock_guard lock(mutex);
            messages.push_back(std::move(message));
            arrived.notify_all();
        },
        [&](uint32_t address, size_t length) {
            std::lock_guard lock(mutex);
            refusals.emplace_back(address, length);
        });
    ASSERT_TRUE(listener.Listening()) << listener.Problem();
    EXPECT_EQ(TcpPortHolder(listener.Port()), ThisProgram());

    {
        Client sender(listener.Port());
        sender.Send(Request(kOurs) + Smb(MakeSendMessage({"IVAN", "PC1"}, "hi")));
        EXPECT_EQ(sender.Receive(4 + 4 + 35, 2s).size(), 4u + 4 + 35);
        std::unique_lock lock(mutex);
        ASSERT_TRUE(arrived.wait_for(lock, 2s, [&] { return !messages.empty(); }));
        EXPECT_EQ(messages[0].sender, "IVAN (ANNA)");
        EXPECT_EQ(messages[0].text, "hi");
    }
    bool closed = false;
    Client oversized(listener.Port());
    oversized.Send(std::string("\x00\x01\xFF\xFF", 4));  // the flags extend the length
    oversized.Receive(1, 2s, &closed);
    EXPECT_TRUE(closed);
    {
        std::lock_guard lock(mutex);
        EXPECT_EQ(refusals, (std::vector<std::pair<uint32_t, size_t>>{{INADDR_LOOPBACK, 0x1FFFF}}));
    }

    // Silent peers fill the room; one more is refused at once; the silent ones are cut off.
    std::vector<std::unique_ptr<Client>> silent;
    for (int i = 0; i < 3; ++i) {
        silent.push_back(std::make_unique<Client>(listener.Port()));
    }
    std::this_thread::sleep_for(50ms);
    Client surplus(listener.Port());
    EXPECT_EQ(surplus.Receive(5, 2s), std::string("\x83\x00\x00\x01\x83", 5));
    for (auto& client : silent) {
        closed = false;
        client->Receive(1, 3s, &closed);
        EXPECT_TRUE(closed);
    }
    // And the listener still serves.
    Client later(listener.Port());
    later.Send(Request(kOurs));
    EXPECT_EQ(later.Receive(4, 2s), std::string("\x82\x00\x00\x00", 4));
}

TEST(SessionListener, APortInUseIsReportedWithItsHolder) {
    SessionLimits limits;
    limits.port = 0;
    SessionListener first(limits, Settings(), {});
    ASSERT_TRUE(first.Listening());
    limits.port = first.Port();
    SessionListener second(limits, Settings(), {});
    EXPECT_FALSE(second.Listening());
    EXPECT_EQ(second.ErrorNumber(), EADDRINUSE);
    EXPECT_NE(second.Problem().find("TCP port " + std::to_string(limits.port) + " is in use by " +
                                    ThisProgram()),
              std::string::npos)
        << second.Problem();
    EXPECT_NE(second.Problem().find("smb ports = 445"), std::string::npos);
}

TEST(SessionClient, SendsOneAndManyBlocksAndTellsWhyNot) {
    SessionLimits limits;
    limits.port = 0;
    std::mutex mutex;
    std::vector<SessionMessage> messages;
    auto listener =
        std::make_unique<SessionListener>(limits, Settings(), [&](SessionMessage message) {
            std::lock_guard lock(mutex);
            messages.push_back(std::move(message));
        });
    ASSERT_TRUE(listener->Listening());
    SessionSend send;
    send.address = 0x7F000001;
    send.port = listener->Port();
    send.called = kOurs;
    send.calling = kAnna;
    send.originator = "IVAN";
    send.destination = "PC1";
    send.text = "short";
    EXPECT_EQ(SendSessionMessage(send).result, SessionSendResult::Sent);
    std::string long_text;
    for (int i = 0; long_text.size() < 1700; ++i) {
        long_text += std::to_string(i) + ",";
    }
    send.text = long_text;
    EXPECT_EQ(SendSessionMessage(send).result, SessionSendResult::Sent);
    {
        std::lock_guard lock(mutex);
        ASSERT_EQ(messages.size(), 2u);
        EXPECT_EQ(messages[0].text, "short");
        EXPECT_EQ(messages[0].sender, "IVAN (ANNA)");
        EXPECT_EQ(messages[1].text, long_text.substr(0, kMaxSessionMessageText));
    }
    send.destination = "PC2";
    auto rejected = SendSessionMessage(send);
    EXPECT_EQ(rejected.result, SessionSendResult::Rejected);
    EXPECT_NE(rejected.Explain().find("ERRmsgoff"), std::string::npos);
    send.called = NetbiosName::Make("PC2", kMessengerSuffix);
    auto refused = SendSessionMessage(send);
    EXPECT_EQ(refused.result, SessionSendResult::Refused);
    EXPECT_EQ(refused.code, kCalledNameNotPresent);
    listener.reset();
    EXPECT_EQ(SendSessionMessage(send).result, SessionSendResult::NoConnection);
}

}  // namespace
}  // namespace lyr::netbios
