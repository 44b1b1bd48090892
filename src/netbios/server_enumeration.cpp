// SPDX-License-Identifier: GPL-3.0-or-later
#include "netbios/server_enumeration.h"

#include <algorithm>

#include "netbios/byte_io.h"
#include "netbios/session_connection.h"
#include "netbios/session_packet.h"

namespace lyr::netbios {
namespace {

constexpr uint8_t kSmbSessionSetupAndX = 0x73;
constexpr uint8_t kSmbTreeConnectAndX = 0x75;
constexpr uint8_t kSmbTransaction = 0x25;
constexpr uint8_t kNoAndX = 0xFF;
constexpr uint16_t kNtLm012 = 1;  // the dialect's index in MakeNegotiate's list
constexpr uint16_t kRapNetServerEnum2 = 104;
constexpr uint16_t kErrorMoreData = 234;
constexpr size_t kServerInfo1Size = 26;
// What we take in one session message and in a whole answer: the answer of a list at the
// browse list's bound fits, a peer cannot make us hold more.
constexpr uint16_t kOurBufferSize = 0xFFFF;
constexpr uint32_t kMaxMessage = 0x1FFFF;
constexpr size_t kMaxAnswer = 1 << 20;

std::string CString(std::string_view text) {
    return std::string(text) + '\0';
}

// The part of a string field before its NUL (all of it when there is none).
std::string BeforeNul(std::string_view field) {
    return std::string(field.substr(0, field.find('\0')));
}

// A request on the session, with the identifiers it was given.
SmbFrame Frame(uint8_t command, std::string words, std::string bytes, uint16_t uid = 0,
               uint16_t tid = 0) {
    SmbFrame frame;
    frame.command = command;
    frame.uid = uid;
    frame.tid = tid;
    frame.pid = 1;
    frame.words = std::move(words);
    frame.bytes = std::move(bytes);
    return frame;
}

SmbFrame SessionSetup() {
    ByteWriter words;
    words.U8(kNoAndX);
    words.U8(0);
    words.U16LE(0);
    words.U16LE(kOurBufferSize);
    words.U16LE(1);  // MaxMpxCount
    words.U16LE(0);  // VcNumber
    words.U32LE(0);  // SessionKey
    words.U16LE(0);  // no OEM password: anonymous
    words.U16LE(0);  // no Unicode password
    words.U32LE(0);
    words.U32LE(0);  // Capabilities: none, so strings are OEM and errors DOS-style
    return Frame(kSmbSessionSetupAndX, words.Take(),
                 CString("") + CString("") + CString("Linux") + CString("Lyr Messenger"));
}

SmbFrame TreeConnect(const std::string& server, uint16_t uid) {
    ByteWriter words;
    words.U8(kNoAndX);
    words.U8(0);
    words.U16LE(0);
    words.U16LE(0);  // Flags
    words.U16LE(1);  // PasswordLength: the NUL alone
    return Frame(kSmbTreeConnectAndX, words.Take(),
                 CString("") + CString("\\\\" + server + "\\IPC$") + CString("?????"), uid);
}

SmbFrame Transaction(std::string_view parameters, uint16_t uid, uint16_t tid) {
    const std::string name = CString("\\PIPE\\LANMAN");
    constexpr uint16_t kWords = 14;
    const auto parameter_offset =
        static_cast<uint16_t>(kSmbHeaderSize + 1 + 2 * kWords + 2 + name.size());
    ByteWriter words;
    words.U16LE(static_cast<uint16_t>(parameters.size()));  // TotalParameterCount
    words.U16LE(0);                                         // TotalDataCount
    words.U16LE(8);                                         // MaxParameterCount
    words.U16LE(kOurBufferSize);                            // MaxDataCount
    words.U8(0);                                            // MaxSetupCount
    words.U8(0);
    words.U16LE(0);  // Flags
    words.U32LE(0);  // Timeout
    words.U16LE(0);
    words.U16LE(static_cast<uint16_t>(parameters.size()));
    words.U16LE(parameter_offset);
    words.U16LE(0);  // DataCount
    words.U16LE(static_cast<uint16_t>(parameter_offset + parameters.size()));
    words.U8(0);  // SetupCount
    words.U8(0);
    return Frame(kSmbTransaction, words.Take(), name + std::string(parameters), uid, tid);
}

// Collects the parameters and data of a transaction's answer, which may come in several
// messages, each placing its part by displacement.
class TransactionAnswer {
public:
    // Takes one message; false when it is no part of a sound answer.
    bool Take(std::string_view smb) {
        auto frame = ParseSmb(smb);
        if (!frame || frame->command != kSmbTransaction || frame->status != 0 ||
            frame->words.size() < 20) {
            return false;
        }
        ByteReader words(frame->words);
        const uint16_t total_parameters = words.U16LE();
        const uint16_t total_data = words.U16LE();
        words.Skip(2);
        const uint16_t parameter_count = words.U16LE();
        const uint16_t parameter_offset = words.U16LE();
        const uint16_t parameter_displacement = words.U16LE();
        const uint16_t data_count = words.U16LE();
        const uint16_t data_offset = words.U16LE();
        const uint16_t data_displacement = words.U16LE();
        if (!started_) {
            parameters_.assign(total_parameters, '\0');
            data_.assign(total_data, '\0');
            started_ = true;
        }
        return Place(smb, parameter_offset, parameter_count, parameter_displacement, parameters_,
                     parameters_got_) &&
               Place(smb, data_offset, data_count, data_displacement, data_, data_got_);
    }
    bool Complete() const {
        return started_ && parameters_got_ >= parameters_.size() && data_got_ >= data_.size();
    }
    const std::string& Parameters() const { return parameters_; }
    const std::string& Data() const { return data_; }

private:
    static bool Place(std::string_view smb, size_t offset, size_t count, size_t displacement,
                      std::string& whole, size_t& got) {
        if (offset > smb.size() || count > smb.size() - offset || displacement > whole.size() ||
            count > whole.size() - displacement) {
            return false;
        }
        std::copy_n(smb.data() + offset, count, whole.begin() + static_cast<long>(displacement));
        got += count;
        return true;
    }

    bool started_ = false;
    std::string parameters_;
    std::string data_;
    size_t parameters_got_ = 0;
    size_t data_got_ = 0;
};

}  // namespace

std::string NetServerEnum2Parameters(uint32_t server_type, std::string_view domain,
                                     uint16_t receive_buffer) {
    ByteWriter writer;
    writer.U16LE(kRapNetServerEnum2);
    writer.Raw(CString(domain.empty() ? "WrLehDO" : "WrLehDz"));
    writer.Raw(CString("B16BBDz"));
    writer.U16LE(1);  // level
    writer.U16LE(receive_buffer);
    writer.U32LE(server_type);
    if (!domain.empty()) {
        writer.Raw(CString(domain));
    }
    return writer.Take();
}

std::optional<std::vector<EnumeratedServer>> ParseNetServerEnum2Reply(std::string_view parameters,
                                                                      std::string_view data) {
    ByteReader reader(parameters);
    const uint16_t status = reader.U16LE();
    const uint16_t converter = reader.U16LE();
    const uint16_t returned = reader.U16LE();
    if (!reader.Ok() || (status != 0 && status != kErrorMoreData)) {
        return std::nullopt;
    }
    std::vector<EnumeratedServer> servers;
    const size_t fitting = std::min<size_t>(returned, data.size() / kServerInfo1Size);
    servers.reserve(fitting);
    for (size_t i = 0; i < fitting; ++i) {
        ByteReader record(data.substr(i * kServerInfo1Size, kServerInfo1Size));
        EnumeratedServer server;
        server.name = BeforeNul(record.Raw(16));
        record.Skip(2);  // version
        server.server_type = record.U32LE();
        // The comment's place is given as a pointer whose low half, less the converter, is its
        // offset in the data.
        const size_t comment_at = static_cast<uint16_t>(record.U32LE() - converter);
        if (comment_at < data.size()) {
            server.comment = BeforeNul(data.substr(comment_at, 48));
        }
        if (!server.name.empty()) {
            servers.push_back(std::move(server));
        }
    }
    return servers;
}

std::optional<std::vector<EnumeratedServer>> EnumerateServers(const ServerEnumeration& request) {
    SessionConnection connection(request.address, request.port, request.timeout, kMaxMessage);
    if (!connection.Connected()) {
        return std::nullopt;
    }
    auto session =
        BuildSessionRequest({{request.called, request.scope}, {request.calling, request.scope}});
    if (!session || !connection.Send(*session)) {
        return std::nullopt;
    }
    auto answer = connection.Receive();
    if (!answer || answer->first.type != static_cast<uint8_t>(SessionType::Positive)) {
        return std::nullopt;
    }
    auto negotiated = ExchangeSmb(connection, MakeNegotiate());
    if (!negotiated || negotiated->status != 0 || negotiated->words.size() < 2 ||
        ByteReader(negotiated->words).U16LE() != kNtLm012) {
        return std::nullopt;
    }
    auto setup = ExchangeSmb(connection, SessionSetup());
    if (!setup || setup->status != 0) {
        return std::nullopt;
    }
    auto tree = ExchangeSmb(connection, TreeConnect(request.called.Base(), setup->uid));
    if (!tree || tree->status != 0) {
        return std::nullopt;
    }
    auto transaction = BuildSmb(
        Transaction(NetServerEnum2Parameters(request.server_type, request.domain, kOurBufferSize),
                    setup->uid, tree->tid));
    auto packet =
        transaction ? BuildSessionPacket(SessionType::Message, *transaction) : std::nullopt;
    if (!packet || !connection.Send(*packet)) {
        return std::nullopt;
    }
    TransactionAnswer collected;
    size_t received = 0;
    while (!collected.Complete()) {
        auto part = connection.Receive();
        if (!part || part->first.type != static_cast<uint8_t>(SessionType::Message) ||
            (received += part->second.size()) > kMaxAnswer || !collected.Take(part->second)) {
            return std::nullopt;
        }
    }
    return ParseNetServerEnum2Reply(collected.Parameters(), collected.Data());
}

}  // namespace lyr::netbios
