// Browser frames: the data of "\MAILSLOT\BROWSE" writes.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "netbios/browser_frames.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (auto host = lyr::netbios::ParseHostAnnouncement(bytes)) {
        auto rebuilt = lyr::netbios::BuildHostAnnouncement(*host);
        if (!rebuilt || lyr::netbios::ParseHostAnnouncement(*rebuilt) != host) {
            std::abort();
        }
    }
    if (auto domain = lyr::netbios::ParseDomainAnnouncement(bytes)) {
        auto rebuilt = lyr::netbios::BuildDomainAnnouncement(*domain);
        if (!rebuilt || lyr::netbios::ParseDomainAnnouncement(*rebuilt) != domain) {
            std::abort();
        }
    }
    if (auto request = lyr::netbios::ParseAnnouncementRequest(bytes)) {
        if (!lyr::netbios::BuildAnnouncementRequest(*request)) {
            std::abort();
        }
    }
    lyr::netbios::ParseRequestElection(bytes);
    return 0;
}
