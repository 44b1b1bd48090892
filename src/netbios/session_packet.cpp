// SPDX-License-Identifier: GPL-3.0-or-later
#include "netbios/session_packet.h"

#include "netbios/byte_io.h"

namespace lyr::netbios {
namespace {

constexpr uint8_t kBufferDataBlock = 0x01;
constexpr uint8_t kBufferString = 0x04;

// A 0x04-prefixed NUL-terminated string at the reader's position.
std::optional<std::string> ReadString(ByteReader& reader) {
    if (reader.U8() != kBufferString || !reader.Ok()) {
        return std::nullopt;
    }
    std::string_view rest = reader.Bytes().substr(reader.Position());
    auto end = rest.find('\0');
    if (end == std::string_view::npos || end > kMaxSmbName) {
        return std::nullopt;
    }
    reader.Skip(end + 1);
    return std::string(rest.substr(0, end));
}

// A 0x01-prefixed block with a 16-bit length.
std::optional<std::string> ReadDataBlock(ByteReader& reader) {
    if (reader.U8() != kBufferDataBlock) {
        return std::nullopt;
    }
    uint16_t length = reader.U16LE();
    std::string_view data = reader.Raw(length);
    if (!reader.Ok()) {
        return std::nullopt;
    }
    return std::string(data);
}

void WriteString(ByteWriter& writer, std::string_view text) {
    writer.U8(kBufferString);
    writer.Raw(text.substr(0, std::min(text.find('\0'), kMaxSmbName)));
    writer.U8(0);
}

std::string Words(uint16_t word) {
    ByteWriter writer;
    writer.U16LE(word);
    return writer.Take();
}

std::optional<uint16_t> GroupWord(const SmbFrame& frame) {
    if (frame.words.size() != 2) {
        return std::nullopt;
    }
    return ByteReader(frame.words).U16LE();
}

SmbFrame Request(uint8_t command, std::string words, std::string bytes) {
    SmbFrame frame;
    frame.command = command;
    frame.words = std::move(words);
    frame.bytes = std::move(bytes);
    return frame;
}

}  // namespace

std::optional<SessionHeader> ParseSessionHeader(std::string_view bytes) {
    ByteReader reader(bytes);
    SessionHeader header;
    header.type = reader.U8();
    uint8_t flags = reader.U8();
    uint16_t length = reader.U16BE();
    if (!reader.Ok() || (flags & 0xFE) != 0) {
        return std::nullopt;
    }
    header.length = static_cast<uint32_t>(flags & 1) << 16 | length;
    return header;
}

std::optional<std::string> BuildSessionPacket(SessionType type, std::string_view payload) {
    if (payload.size() > kMaxSessionLength) {
        return std::nullopt;
    }
    ByteWriter writer;
    writer.U8(static_cast<uint8_t>(type));
    writer.U8(static_cast<uint8_t>(payload.size() >> 16));
    writer.U16BE(static_cast<uint16_t>(payload.size()));
    writer.Raw(payload);
    return writer.Take();
}

std::optional<SessionRequest> ParseSessionRequest(std::string_view payload) {
    size_t offset = 0;
    auto called = DecodeName(payload, offset, false);
    if (!called) {
        return std::nullopt;
    }
    auto calling = DecodeName(payload, offset, false);
    if (!calling || offset != payload.size()) {
        return std::nullopt;
    }
    return SessionRequest{*called, *calling};
}

std::optional<std::string> BuildSessionRequest(const SessionRequest& request) {
    auto called = EncodeName(request.called.name, request.called.scope);
    auto calling = EncodeName(request.calling.name, request.calling.scope);
    if (!called || !calling) {
        return std::nullopt;
    }
    return BuildSessionPacket(SessionType::Request, *called + *calling);
}

std::optional<SmbFrame> ParseSmb(std::string_view smb) {
    ByteReader reader(smb);
    SmbFrame frame;
    if (reader.Raw(4) != "\xFFSMB") {
        return std::nullopt;
    }
    frame.command = reader.U8();
    frame.status = reader.U32LE();
    frame.flags = reader.U8();
    frame.flags2 = reader.U16LE();
    reader.Skip(12);  // PIDHigh, SecurityFeatures, Reserved
    frame.tid = reader.U16LE();
    frame.pid = reader.U16LE();
    frame.uid = reader.U16LE();
    frame.mid = reader.U16LE();
    uint8_t word_count = reader.U8();
    frame.words = std::string(reader.Raw(size_t{word_count} * 2));
    uint16_t byte_count = reader.U16LE();
    frame.bytes = std::string(reader.Raw(byte_count));
    if (!reader.Ok()) {
        return std::nullopt;
    }
    return frame;
}

std::optional<std::string> BuildSmb(const SmbFrame& frame) {
    if (frame.words.size() % 2 != 0 || frame.words.size() > 2 * 255 ||
        frame.bytes.size() > 0xFFFF) {
        return std::nullopt;
    }
    ByteWriter writer;
    writer.Raw("\xFFSMB");
    writer.U8(frame.command);
    writer.U32LE(frame.status);
    writer.U8(frame.flags);
    writer.U16LE(frame.flags2);
    writer.Zeros(12);
    writer.U16LE(frame.tid);
    writer.U16LE(frame.pid);
    writer.U16LE(frame.uid);
    writer.U16LE(frame.mid);
    writer.U8(static_cast<uint8_t>(frame.words.size() / 2));
    writer.Raw(frame.words);
    writer.U16LE(static_cast<uint16_t>(frame.bytes.size()));
    writer.Raw(frame.bytes);
    return writer.Take();
}

std::string BuildSmbReply(const SmbFrame& request, SmbError error, std::string_view words) {
    SmbFrame reply;
    reply.command = request.command;
    reply.status = error.Status();
    reply.flags = kSmbFlagsReply;
    reply.tid = request.tid;
    reply.pid = request.pid;
    reply.uid = request.uid;
    reply.mid = request.mid;
    // An error reply carries no words.
    if (error == kSmbSuccess) {
        reply.words = std::string(words);
    }
    return *BuildSmb(reply);
}

std::optional<SmbSingleMessage> ParseSendMessage(const SmbFrame& frame) {
    if (frame.command != kSmbSendMessage || !frame.words.empty()) {
        return std::nullopt;
    }
    ByteReader reader(frame.bytes);
    auto originator = ReadString(reader);
    auto destination = originator ? ReadString(reader) : std::nullopt;
    auto text = destination ? ReadDataBlock(reader) : std::nullopt;
    if (!text || text->size() > kMaxSmbTextBlock) {
        return std::nullopt;
    }
    return SmbSingleMessage{{*originator, *destination}, *text};
}

std::optional<SmbMessageNames> ParseSendStart(const SmbFrame& frame) {
    if (frame.command != kSmbSendStartMessage || !frame.words.empty()) {
        return std::nullopt;
    }
    ByteReader reader(frame.bytes);
    auto originator = ReadString(reader);
    auto destination = originator ? ReadString(reader) : std::nullopt;
    if (!destination) {
        return std::nullopt;
    }
    return SmbMessageNames{*originator, *destination};
}

std::optional<SmbTextBlock> ParseSendText(const SmbFrame& frame) {
    auto group = GroupWord(frame);
    if (frame.command != kSmbSendTextMessage || !group) {
        return std::nullopt;
    }
    ByteReader reader(frame.bytes);
    auto text = ReadDataBlock(reader);
    if (!text || text->size() > kMaxSmbTextBlock) {
        return std::nullopt;
    }
    return SmbTextBlock{*group, *text};
}

std::optional<uint16_t> ParseSendEnd(const SmbFrame& frame) {
    if (frame.command != kSmbSendEndMessage) {
        return std::nullopt;
    }
    return GroupWord(frame);
}

SmbFrame MakeSendMessage(const SmbMessageNames& names, std::string_view text) {
    ByteWriter writer;
    WriteString(writer, names.originator);
    WriteString(writer, names.destination);
    text = text.substr(0, kMaxSmbTextBlock);
    writer.U8(kBufferDataBlock);
    writer.U16LE(static_cast<uint16_t>(text.size()));
    writer.Raw(text);
    return Request(kSmbSendMessage, {}, writer.Take());
}

SmbFrame MakeSendStart(const SmbMessageNames& names) {
    ByteWriter writer;
    WriteString(writer, names.originator);
    WriteString(writer, names.destination);
    return Request(kSmbSendStartMessage, {}, writer.Take());
}

SmbFrame MakeSendText(uint16_t group, std::string_view text) {
    text = text.substr(0, kMaxSmbTextBlock);
    ByteWriter writer;
    writer.U8(kBufferDataBlock);
    writer.U16LE(static_cast<uint16_t>(text.size()));
    writer.Raw(text);
    return Request(kSmbSendTextMessage, Words(group), writer.Take());
}

SmbFrame MakeSendEnd(uint16_t group) {
    return Request(kSmbSendEndMessage, Words(group), {});
}

SmbFrame MakeNegotiate() {
    ByteWriter writer;
    for (std::string_view dialect : {"PC NETWORK PROGRAM 1.0", "NT LM 0.12"}) {
        writer.U8(0x02);
        writer.Raw(dialect);
        writer.U8(0);
    }
    return Request(kSmbNegotiate, {}, writer.Take());
}

std::string SessionSenderName(std::string_view originator, const NetbiosName& calling) {
    std::string computer = calling.Base();
    std::string sender;
    for (char c : originator) {
        if (c != '(' && c != ')') {
            sender.push_back(c);
        }
    }
    if (computer.empty() || computer.find_first_of("()") != std::string::npos ||
        NetbiosUpper(sender) == NetbiosUpper(computer)) {
        return sender.empty() ? computer : std::string(originator);
    }
    if (sender.empty()) {
        return computer;
    }
    return sender + " (" + computer + ")";
}

}  // namespace lyr::netbios
