// SPDX-License-Identifier: GPL-3.0-or-later
#include "netbios/mailslot_write.h"

#include "base/ascii_case.h"
#include "netbios/byte_io.h"
#include "netbios/netbios_name.h"

namespace lyr::netbios {
namespace {

constexpr uint8_t kCommandTransaction = 0x25;
constexpr size_t kSmbHeaderLength = 32;
constexpr uint8_t kSetupCount = 3;
constexpr uint8_t kWordCount = 14 + kSetupCount;
constexpr uint16_t kOpcodeWriteMailslot = 0x0001;
constexpr uint16_t kTransactionNoResponse = 0x0002;
constexpr uint32_t kBrowserTimeoutMs = 1000;
constexpr size_t kMaxSmbLength = 512;
constexpr size_t kSmbOverheadWithoutName = 80;  // header, words, ByteCount, "\MAILSLOT\"

}  // namespace

std::optional<std::string> BuildMailslotWrite(std::string_view mailslot_name, std::string_view data,
                                              MailslotWriteStyle style) {
    if (mailslot_name.find('\0') != std::string_view::npos || data.size() > 0xFFFF ||
        mailslot_name.size() > 0xFFFF) {
        return std::nullopt;
    }
    const bool messenger = style == MailslotWriteStyle::Messenger;
    size_t name_end = kSmbHeaderLength + 1 + 2 * kWordCount + 2 + mailslot_name.size() + 1;
    size_t padding = messenger ? (4 - name_end % 4) % 4 : 0;
    size_t data_offset = name_end + padding;
    if (data_offset + data.size() > 0xFFFF) {
        return std::nullopt;
    }

    ByteWriter writer;
    writer.Reserve(data_offset + data.size());
    writer.Raw("\xFFSMB");
    writer.U8(kCommandTransaction);
    writer.U32LE(0);                       // Status
    writer.U8(messenger ? 0x18 : 0x00);    // Flags: canonical paths, case-insensitive
    writer.U16LE(messenger ? 0x0004 : 0);  // Flags2
    writer.U16LE(0);                       // PIDHigh
    writer.Zeros(8);                       // SecurityFeatures
    writer.U16LE(0);                       // Reserved
    writer.U16LE(0);                       // TID
    writer.U16LE(messenger ? 0xFEFF : 0);  // PIDLow
    writer.U16LE(0);                       // UID
    writer.U16LE(0);                       // MID

    writer.U8(kWordCount);
    writer.U16LE(0);  // TotalParameterCount
    writer.U16LE(static_cast<uint16_t>(data.size()));
    writer.U16LE(messenger ? 2 : 0);  // MaxParameterCount
    writer.U16LE(0);                  // MaxDataCount
    writer.U8(0);                     // MaxSetupCount
    writer.U8(0);
    writer.U16LE(messenger ? kTransactionNoResponse : 0);
    writer.U32LE(messenger ? 0 : kBrowserTimeoutMs);
    writer.U16LE(0);
    writer.U16LE(0);  // ParameterCount
    writer.U16LE(messenger ? static_cast<uint16_t>(data_offset) : 0);
    writer.U16LE(static_cast<uint16_t>(data.size()));
    writer.U16LE(static_cast<uint16_t>(data_offset));
    writer.U8(kSetupCount);
    writer.U8(0);
    writer.U16LE(kOpcodeWriteMailslot);
    writer.U16LE(0);  // Priority
    writer.U16LE(2);  // Class: second class, unreliable datagram

    writer.U16LE(static_cast<uint16_t>(mailslot_name.size() + 1 + padding + data.size()));
    writer.Raw(mailslot_name);
    writer.U8(0);
    writer.Zeros(padding);
    writer.Raw(data);
    return writer.Take();
}

std::optional<MailslotWrite> ParseMailslotWrite(std::string_view smb) {
    ByteReader reader(smb);
    if (reader.Raw(4) != "\xFFSMB" || reader.U8() != kCommandTransaction) {
        return std::nullopt;
    }
    reader.SetPosition(kSmbHeaderLength);
    uint8_t word_count = reader.U8();
    uint16_t total_parameter_count = reader.U16LE();
    uint16_t total_data_count = reader.U16LE();
    reader.Skip(2 + 2 + 1 + 1 + 2 + 4 + 2);  // MaxParameter/MaxData/MaxSetup, flags, timeout
    uint16_t parameter_count = reader.U16LE();
    reader.Skip(2);  // ParameterOffset
    uint16_t data_count = reader.U16LE();
    uint16_t data_offset = reader.U16LE();
    uint8_t setup_count = reader.U8();
    reader.Skip(1);
    if (!reader.Ok() || setup_count < kSetupCount || word_count != 14 + setup_count) {
        return std::nullopt;
    }
    MailslotWrite write;
    uint16_t opcode = reader.U16LE();
    write.priority = reader.U16LE();
    write.mailslot_class = reader.U16LE();
    reader.Skip(2 * (setup_count - kSetupCount));
    reader.Skip(2);  // ByteCount: senders disagree on it, the offsets decide
    if (!reader.Ok() || opcode != kOpcodeWriteMailslot) {
        return std::nullopt;
    }
    // A write split over several transactions is not a datagram mailslot write.
    if (total_parameter_count != parameter_count || total_data_count != data_count) {
        return std::nullopt;
    }
    std::string_view rest = smb.substr(reader.Position());
    size_t terminator = rest.find('\0');
    if (terminator == std::string_view::npos) {
        return std::nullopt;
    }
    write.mailslot_name = std::string(rest.substr(0, terminator));
    if (data_offset > smb.size() || data_count > smb.size() - data_offset) {
        return std::nullopt;
    }
    write.data = std::string(smb.substr(data_offset, data_count));
    return write;
}

std::optional<std::string> SlotOfMailslotName(std::string_view mailslot_name) {
    if (mailslot_name.size() <= kMailslotPrefix.size() ||
        !EqualsIgnoringCase(mailslot_name.substr(0, kMailslotPrefix.size()), kMailslotPrefix)) {
        return std::nullopt;
    }
    return std::string(mailslot_name.substr(kMailslotPrefix.size()));
}

std::string MailslotNameOf(std::string_view slot) {
    return std::string(kMailslotPrefix) + NetbiosUpper(std::string(slot));
}

size_t MaxMailslotDataSize(std::string_view slot) {
    size_t rounded = (slot.size() + 3) / 4 * 4;
    size_t overhead = kSmbOverheadWithoutName + rounded;
    return overhead >= kMaxSmbLength ? 0 : kMaxSmbLength - overhead;
}

}  // namespace lyr::netbios
