// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lyr::netbios {

// Frames of the browser protocol: the data of mailslot writes to "\MAILSLOT\BROWSE".
enum class BrowserOpcode : uint8_t {
    HostAnnouncement = 0x01,
    AnnouncementRequest = 0x02,
    GetBackupListRequest = 0x09,
    GetBackupListResponse = 0x0A,
    RequestElection = 0x08,
    DomainAnnouncement = 0x0C,
    LocalMasterAnnouncement = 0x0F,
};

inline constexpr uint32_t kServerTypeWorkstation = 0x00000001;
inline constexpr uint32_t kServerTypeServer = 0x00000002;
inline constexpr uint32_t kServerTypeNt = 0x00001000;
inline constexpr uint32_t kServerTypeMasterBrowser = 0x00040000;
inline constexpr uint32_t kServerTypeDomainEnum = 0x80000000;
inline constexpr uint16_t kBrowserSignature = 0xAA55;

// HostAnnouncement and LocalMasterAnnouncement share one layout.
struct HostAnnouncement {
    BrowserOpcode opcode = BrowserOpcode::HostAnnouncement;
    uint8_t update_count = 0;
    uint32_t periodicity_ms = 0;
    std::string server_name;  // at most 15 bytes
    uint8_t os_major = 0;
    uint8_t os_minor = 0;
    uint32_t server_type = 0;
    uint8_t browser_major = 0x0F;
    uint8_t browser_minor = 0x01;
    uint16_t signature = kBrowserSignature;
    std::string comment;  // at most 42 bytes
    bool operator==(const HostAnnouncement&) const = default;
};

struct DomainAnnouncement {
    uint8_t update_count = 0;
    uint32_t periodicity_ms = 0;
    std::string machine_group;  // at most 15 bytes
    uint8_t config_major = 0x03;
    uint8_t config_minor = 0x0A;
    uint32_t server_type = 0;
    uint8_t browser_major = 0x0F;
    uint8_t browser_minor = 0x01;
    uint16_t signature = kBrowserSignature;
    std::string local_master_name;  // at most 15 bytes
    bool operator==(const DomainAnnouncement&) const = default;
};

struct AnnouncementRequest {
    std::string response_name;  // at most 15 bytes
    bool operator==(const AnnouncementRequest&) const = default;
};

// Asks the local master browser (WORKGROUP<1D>) which servers hold the workgroup's list; the
// answer carries the same token back.
struct GetBackupListRequest {
    uint8_t requested_count = 4;
    uint32_t token = 0;
};
struct GetBackupListResponse {
    uint32_t token = 0;
    std::vector<std::string> servers;  // names, as many as the count says and the frame holds
    bool operator==(const GetBackupListResponse&) const = default;
};

struct RequestElection {
    uint8_t version = 0;
    uint32_t criteria = 0;
    uint32_t uptime_seconds = 0;
    std::string server_name;
    bool operator==(const RequestElection&) const = default;
};

// Builders fail (nothing) for a name or comment longer than its field holds or holding a NUL.
std::optional<std::string> BuildHostAnnouncement(const HostAnnouncement& frame);
std::optional<std::string> BuildDomainAnnouncement(const DomainAnnouncement& frame);
std::optional<std::string> BuildAnnouncementRequest(const AnnouncementRequest& frame);
std::string BuildGetBackupListRequest(const GetBackupListRequest& frame);

// Parsers take the whole mailslot data; nothing for another opcode or a malformed frame.
std::optional<HostAnnouncement> ParseHostAnnouncement(std::string_view data);  // 0x01 and 0x0F
std::optional<DomainAnnouncement> ParseDomainAnnouncement(std::string_view data);
std::optional<AnnouncementRequest> ParseAnnouncementRequest(std::string_view data);
std::optional<RequestElection> ParseRequestElection(std::string_view data);
std::optional<GetBackupListResponse> ParseGetBackupListResponse(std::string_view data);

}  // namespace lyr::netbios
