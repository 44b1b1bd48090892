// SPDX-License-Identifier: GPL-3.0-or-later
// What the neighbourhood is read from besides announcements: the browse list kept on disk by
// the last run, and a browser server's NetServerEnum2 answer (the first byte splits the input
// into its parameters and data).
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "netbios/kept_browse_list.h"
#include "netbios/server_enumeration.h"

namespace {

// Whatever the file holds, the list shows only names it can show, and this computer once.
void RestoresASoundList(std::string_view bytes) {
    using namespace lyr::netbios;
    BrowseList list("PC1", "OFFICE", 0x1001);
    auto wall = std::chrono::system_clock::time_point() + std::chrono::hours(480000);
    list.Restore(ParseKeptBrowseList(bytes, wall), BrowseList::Clock::now());
    int own = 0;
    for (const auto& computer : list.Snapshot().computers) {
        if (!BrowseList::IsListable(computer.name) || !BrowseList::IsListable(computer.workgroup)) {
            std::abort();
        }
        own += computer.name == "PC1" && computer.workgroup == "OFFICE";
    }
    if (own != 1) {
        std::abort();
    }
}

void ServerListWithinItsData(std::string_view bytes) {
    if (bytes.empty()) {
        return;
    }
    size_t split = std::min<size_t>(static_cast<uint8_t>(bytes[0]), bytes.size() - 1);
    std::string_view data = bytes.substr(1 + split);
    auto servers = lyr::netbios::ParseNetServerEnum2Reply(bytes.substr(1, split), data);
    if (servers && servers->size() > data.size() / 26) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    RestoresASoundList(bytes);
    ServerListWithinItsData(bytes);
    return 0;
}
