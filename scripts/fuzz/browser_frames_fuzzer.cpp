// SPDX-License-Identifier: GPL-3.0-or-later
// Browser frames: the data of "\MAILSLOT\BROWSE" writes, parsed alone and as the browser takes
// them into its browse list.
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "netbios/browser.h"
#include "netbios/browser_frames.h"

namespace {

void RoundTrips(std::string_view bytes) {
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
    lyr::netbios::ParseGetBackupListResponse(bytes);
}

// Whatever arrives, the list holds only names it can show, and this computer.
void KeepsASoundList(std::string_view bytes) {
    using namespace lyr::netbios;
    BrowseList list("PC1", "OFFICE", 0x1001);
    Browser browser(
        {"PC1", "OFFICE", 0x1001, {std::chrono::minutes(1)}, std::chrono::seconds(30)}, list,
        [](const NetbiosName&, std::string_view) { return true; },
        [](std::chrono::milliseconds max) { return max; });
    auto now = Browser::Clock::now();
    browser.Start(now);
    Datagram datagram;
    for (uint8_t suffix : {kWorkstationSuffix, kMasterBrowserSuffix, kBrowserElectionSuffix}) {
        datagram.destination = NetbiosName::Make("OFFICE", suffix);
        browser.Receive(datagram, bytes, 0x0A000002, now);
    }
    datagram.destination = NetbiosName::MasterBrowsers();
    browser.Receive(datagram, bytes, 0x0A000002, now);
    browser.RunTimers(now + std::chrono::minutes(1));
    auto snapshot = list.Snapshot();
    bool own = false;
    for (const auto& computer : snapshot.computers) {
        if (!BrowseList::IsListable(computer.name) || !BrowseList::IsListable(computer.workgroup)) {
            std::abort();
        }
        own = own || (computer.name == "PC1" && computer.workgroup == "OFFICE");
    }
    if (!own) {
        std::abort();
    }
    browser.Stop();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    RoundTrips(bytes);
    KeepsASoundList(bytes);
    return 0;
}
