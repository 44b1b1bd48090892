// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "netbios/netbios_name.h"

namespace lyr::netbios {

// NetBIOS session service packets (TCP 139): a 4-byte header (type, flags whose lowest bit
// extends the length to 17 bits, 16-bit length, big-endian) and the payload.
inline constexpr size_t kSessionHeaderSize = 4;
inline constexpr uint32_t kMaxSessionLength = 0x1FFFF;

enum class SessionType : uint8_t {
    Message = 0x00,
    Request = 0x81,
    Positive = 0x82,
    Negative = 0x83,
    Retarget = 0x84,
    KeepAlive = 0x85,
};

// Error codes of a NEGATIVE SESSION RESPONSE.
inline constexpr uint8_t kNotListeningOnCalledName = 0x80;
inline constexpr uint8_t kCalledNameNotPresent = 0x82;
inline constexpr uint8_t kInsufficientResources = 0x83;

struct SessionHeader {
    uint8_t type = 0;
    uint32_t length = 0;  // of the payload that follows the header
};

// Nothing when fewer than four bytes are there or reserved flag bits are set.
std::optional<SessionHeader> ParseSessionHeader(std::string_view bytes);
// Nothing for a payload longer than the header can tell.
std::optional<std::string> BuildSessionPacket(SessionType type, std::string_view payload = {});

// SESSION REQUEST payload: the called name, then the calling name, both encoded in full.
struct SessionRequest {
    ScopedName called;
    ScopedName calling;
};
std::optional<SessionRequest> ParseSessionRequest(std::string_view payload);
std::optional<std::string> BuildSessionRequest(const SessionRequest& request);

// The SMB message commands, which need no negotiation and no tree connection.
inline constexpr uint8_t kSmbSendMessage = 0xD0;
inline constexpr uint8_t kSmbSendStartMessage = 0xD5;
inline constexpr uint8_t kSmbSendEndMessage = 0xD6;
inline constexpr uint8_t kSmbSendTextMessage = 0xD7;
inline constexpr uint8_t kSmbNegotiate = 0x72;
inline constexpr uint8_t kSmbFlagsReply = 0x80;
inline constexpr size_t kSmbHeaderSize = 32;
// One block of message text, as senders cut longer texts.
inline constexpr size_t kMaxSmbTextBlock = 128;

// DOS-style status: class and code (no NT status was negotiated).
struct SmbError {
    uint8_t error_class = 0;
    uint16_t code = 0;
    uint32_t Status() const { return error_class | static_cast<uint32_t>(code) << 16; }
    bool operator==(const SmbError&) const = default;
};
inline constexpr SmbError kSmbSuccess{0, 0};
inline constexpr SmbError kSmbInvalid{0x02, 0x0001};         // ERRSRV ERRerror
inline constexpr SmbError kSmbUnknownCommand{0x02, 0x0040};  // ERRSRV ERRsmbcmd
inline constexpr SmbError kSmbNotReceiving{0x02, 0x0052};    // ERRSRV ERRmsgoff
inline constexpr SmbError kSmbNoRoom{0x02, 0x0053};          // ERRSRV ERRnoroom

// One SMB: the header fields a reply echoes, the parameter words and the data bytes, each
// length checked against what is there.
struct SmbFrame {
    uint8_t command = 0;
    uint32_t status = 0;
    uint8_t flags = 0;
    uint16_t flags2 = 0;
    uint16_t tid = 0;
    uint16_t pid = 0;
    uint16_t uid = 0;
    uint16_t mid = 0;
    std::string words;  // 2 bytes per word, little-endian
    std::string bytes;
    bool operator==(const SmbFrame&) const = default;
};
std::optional<SmbFrame> ParseSmb(std::string_view smb);
// Nothing when the words or bytes are longer than their counts can tell.
std::optional<std::string> BuildSmb(const SmbFrame& frame);
// The reply to `request`: its command and identifiers, the status, and the words given.
std::string BuildSmbReply(const SmbFrame& request, SmbError error, std::string_view words = {});

// What the message commands carry. Names are OEM strings of at most 15 bytes in principle;
// longer ones are taken as they are, up to kMaxSmbName.
inline constexpr size_t kMaxSmbName = 255;
struct SmbMessageNames {
    std::string originator;
    std::string destination;
};
// SMB_COM_SEND_MESSAGE: the names and the whole text; SEND_START: the names.
struct SmbSingleMessage {
    SmbMessageNames names;
    std::string text;
};
std::optional<SmbSingleMessage> ParseSendMessage(const SmbFrame& frame);
std::optional<SmbMessageNames> ParseSendStart(const SmbFrame& frame);
// SEND_TEXT: the group id and one block; SEND_END: the group id.
struct SmbTextBlock {
    uint16_t group = 0;
    std::string text;
};
std::optional<SmbTextBlock> ParseSendText(const SmbFrame& frame);
std::optional<uint16_t> ParseSendEnd(const SmbFrame& frame);

// Requests as a sender builds them (a text block is at most kMaxSmbTextBlock bytes).
SmbFrame MakeSendMessage(const SmbMessageNames& names, std::string_view text);
SmbFrame MakeSendStart(const SmbMessageNames& names);
SmbFrame MakeSendText(uint16_t group, std::string_view text);
SmbFrame MakeSendEnd(uint16_t group);
// SMB_COM_NEGOTIATE offering the core and NT LM 0.12 dialects. Windows' messenger sends the
// message commands without it, but Samba's smbd takes nothing before a negotiation.
SmbFrame MakeNegotiate();

// The sender a message over a session is recorded with: the originator, and the calling
// computer in parentheses when the two differ, so that an answer finds its way back to the
// computer ("IVAN (PC1)"). Parentheses inside the originator are dropped for that reason.
std::string SessionSenderName(std::string_view originator, const NetbiosName& calling);

}  // namespace lyr::netbios
