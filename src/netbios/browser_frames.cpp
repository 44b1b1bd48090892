// SPDX-License-Identifier: GPL-3.0-or-later
#include "netbios/browser_frames.h"

#include "netbios/byte_io.h"
#include "netbios/netbios_name.h"

namespace lyr::netbios {
namespace {

constexpr size_t kNameFieldLength = 16;
constexpr size_t kMaxCommentLength = 42;  // 43 with its NUL

bool Fits(std::string_view text, size_t max_length) {
    return text.size() <= max_length && text.find('\0') == std::string_view::npos;
}

void WritePaddedName(ByteWriter& writer, std::string_view name) {
    writer.Raw(name);
    writer.Zeros(kNameFieldLength - name.size());
}

void WriteTerminated(ByteWriter& writer, std::string_view text) {
    writer.Raw(text);
    writer.U8(0);
}

// A 16-byte, NUL-padded name field; a field without its NUL is malformed.
std::optional<std::string> ReadPaddedName(ByteReader& reader) {
    std::string_view field = reader.Raw(kNameFieldLength);
    size_t end = field.find('\0');
    if (!reader.Ok() || end == std::string_view::npos) {
        return std::nullopt;
    }
    return std::string(field.substr(0, end));
}

// A NUL-terminated string that ends the frame; at most `max_length` bytes before the NUL.
std::optional<std::string> ReadTerminated(ByteReader& reader, size_t max_length) {
    std::string_view rest = reader.Raw(reader.Remaining());
    size_t end = rest.find('\0');
    if (end == std::string_view::npos || end > max_length) {
        return std::nullopt;
    }
    return std::string(rest.substr(0, end));
}

bool OpcodeIs(ByteReader& reader, BrowserOpcode opcode) {
    return reader.U8() == static_cast<uint8_t>(opcode) && reader.Ok();
}

}  // namespace

std::optional<std::string> BuildHostAnnouncement(const HostAnnouncement& frame) {
    if (!Fits(frame.server_name, kLongestNetbiosName) || !Fits(frame.comment, kMaxCommentLength) ||
        (frame.opcode != BrowserOpcode::HostAnnouncement &&
         frame.opcode != BrowserOpcode::LocalMasterAnnouncement)) {
        return std::nullopt;
    }
    ByteWriter writer;
    writer.U8(static_cast<uint8_t>(frame.opcode));
    writer.U8(frame.update_count);
    writer.U32LE(frame.periodicity_ms);
    WritePaddedName(writer, frame.server_name);
    writer.U8(frame.os_major);
    writer.U8(frame.os_minor);
    writer.U32LE(frame.server_type);
    writer.U8(frame.browser_major);
    writer.U8(frame.browser_minor);
    writer.U16LE(frame.signature);
    WriteTerminated(writer, frame.comment);
    return writer.Take();
}

std::optional<std::string> BuildDomainAnnouncement(const DomainAnnouncement& frame) {
    if (!Fits(frame.machine_group, kLongestNetbiosName) ||
        !Fits(frame.local_master_name, kLongestNetbiosName)) {
        return std::nullopt;
    }
    ByteWriter writer;
    writer.U8(static_cast<uint8_t>(BrowserOpcode::DomainAnnouncement));
    writer.U8(frame.update_count);
    writer.U32LE(frame.periodicity_ms);
    WritePaddedName(writer, frame.machine_group);
    writer.U8(frame.config_major);
    writer.U8(frame.config_minor);
    writer.U32LE(frame.server_type);
    writer.U8(frame.browser_major);
    writer.U8(frame.browser_minor);
    writer.U16LE(frame.signature);
    WriteTerminated(writer, frame.local_master_name);
    return writer.Take();
}

std::optional<std::string> BuildAnnouncementRequest(const AnnouncementRequest& frame) {
    if (!Fits(frame.response_name, kLongestNetbiosName)) {
        return std::nullopt;
    }
    ByteWriter writer;
    writer.U8(static_cast<uint8_t>(BrowserOpcode::AnnouncementRequest));
    writer.U8(0);
    WriteTerminated(writer, frame.response_name);
    return writer.Take();
}

std::string BuildGetBackupListRequest(const GetBackupListRequest& frame) {
    ByteWriter writer;
    writer.U8(static_cast<uint8_t>(BrowserOpcode::GetBackupListRequest));
    writer.U8(frame.requested_count);
    writer.U32LE(frame.token);
    return writer.Take();
}

std::optional<GetBackupListResponse> ParseGetBackupListResponse(std::string_view data) {
    ByteReader reader(data);
    if (!OpcodeIs(reader, BrowserOpcode::GetBackupListResponse)) {
        return std::nullopt;
    }
    uint8_t count = reader.U8();
    GetBackupListResponse frame;
    frame.token = reader.U32LE();
    if (!reader.Ok()) {
        return std::nullopt;
    }
    // A name cut off by the frame's end, or longer than a name can be, is passed over.
    std::string_view rest = reader.Raw(reader.Remaining());
    for (uint8_t i = 0; i < count; ++i) {
        size_t end = rest.find('\0');
        if (end == std::string_view::npos) {
            break;
        }
        if (end > 0 && end <= kLongestNetbiosName) {
            frame.servers.emplace_back(rest.substr(0, end));
        }
        rest.remove_prefix(end + 1);
    }
    return frame;
}

std::optional<HostAnnouncement> ParseHostAnnouncement(std::string_view data) {
    ByteReader reader(data);
    HostAnnouncement frame;
    uint8_t opcode = reader.U8();
    if (opcode != static_cast<uint8_t>(BrowserOpcode::HostAnnouncement) &&
        opcode != static_cast<uint8_t>(BrowserOpcode::LocalMasterAnnouncement)) {
        return std::nullopt;
    }
    frame.opcode = static_cast<BrowserOpcode>(opcode);
    frame.update_count = reader.U8();
    frame.periodicity_ms = reader.U32LE();
    auto name = ReadPaddedName(reader);
    frame.os_major = reader.U8();
    frame.os_minor = reader.U8();
    frame.server_type = reader.U32LE();
    frame.browser_major = reader.U8();
    frame.browser_minor = reader.U8();
    frame.signature = reader.U16LE();
    if (!name || !reader.Ok()) {
        return std::nullopt;
    }
    frame.server_name = std::move(*name);
    // Windows sends just the NUL; a frame that ends before it has an empty comment.
    if (reader.Remaining() > 0) {
        auto comment = ReadTerminated(reader, kMaxCommentLength);
        if (!comment) {
            return std::nullopt;
        }
        frame.comment = std::move(*comment);
    }
    return frame;
}

std::optional<DomainAnnouncement> ParseDomainAnnouncement(std::string_view data) {
    ByteReader reader(data);
    DomainAnnouncement frame;
    if (!OpcodeIs(reader, BrowserOpcode::DomainAnnouncement)) {
        return std::nullopt;
    }
    frame.update_count = reader.U8();
    frame.periodicity_ms = reader.U32LE();
    auto group = ReadPaddedName(reader);
    frame.config_major = reader.U8();
    frame.config_minor = reader.U8();
    frame.server_type = reader.U32LE();
    frame.browser_major = reader.U8();
    frame.browser_minor = reader.U8();
    frame.signature = reader.U16LE();
    if (!group || !reader.Ok()) {
        return std::nullopt;
    }
    auto master = ReadTerminated(reader, kLongestNetbiosName);
    if (!master) {
        return std::nullopt;
    }
    frame.machine_group = std::move(*group);
    frame.local_master_name = std::move(*master);
    return frame;
}

std::optional<AnnouncementRequest> ParseAnnouncementRequest(std::string_view data) {
    ByteReader reader(data);
    if (!OpcodeIs(reader, BrowserOpcode::AnnouncementRequest)) {
        return std::nullopt;
    }
    reader.U8();
    if (!reader.Ok()) {
        return std::nullopt;
    }
    // Receivers ignore the name, so a frame that lacks it is still a request.
    AnnouncementRequest frame;
    if (reader.Remaining() > 0) {
        auto name = ReadTerminated(reader, kLongestNetbiosName);
        if (!name) {
            return std::nullopt;
        }
        frame.response_name = std::move(*name);
    }
    return frame;
}

std::optional<RequestElection> ParseRequestElection(std::string_view data) {
    ByteReader reader(data);
    RequestElection frame;
    if (!OpcodeIs(reader, BrowserOpcode::RequestElection)) {
        return std::nullopt;
    }
    frame.version = reader.U8();
    frame.criteria = reader.U32LE();
    frame.uptime_seconds = reader.U32LE();
    reader.Skip(4);  // unused
    if (!reader.Ok()) {
        return std::nullopt;
    }
    auto name = ReadTerminated(reader, kLongestNetbiosName);
    if (!name) {
        return std::nullopt;
    }
    frame.server_name = std::move(*name);
    return frame;
}

}  // namespace lyr::netbios
