// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <map>
#include <mutex>
#include <vector>

#include "netbios/browse_list.h"
#include "netbios/netbios_service.h"
#include "platform/cancellation.h"
#include "platform/network_enumerator.h"

namespace lyr {

// Where the enumerator learns the network neighbourhood: the browse list of the process that
// owns the NetBIOS ports. That is this process's own service (ServiceNeighbourhood) or, for a
// process beside the owner, the owner asked over its control socket.
class NeighbourhoodSource {
public:
    virtual ~NeighbourhoodSource() = default;
    // Gives the computers of our workgroup a chance to announce themselves; bounded in time.
    virtual void Refresh() = 0;
    virtual netbios::BrowseSnapshot Snapshot() = 0;
};

// The browse list of this process's NetBIOS service. Refresh sends an AnnouncementRequest to
// our workgroup and asks the browser servers for their lists (ListFromBrowsers); when none
// answers, it waits out `answer_wait` for the answers that come quickly (each computer answers
// after a random delay of up to 30 s; the rest arrive before a later scan). A given
// `cancellation` ends that wait early.
class ServiceNeighbourhood : public NeighbourhoodSource {
public:
    static constexpr std::chrono::milliseconds kDefaultAnswerWait{2000};
    // The longest a scan asks the browsers for their lists, within its whole wait.
    static constexpr std::chrono::milliseconds kBrowserAnswerWait{2000};

    explicit ServiceNeighbourhood(netbios::NetbiosService& service,
                                  std::chrono::milliseconds answer_wait = kDefaultAnswerWait,
                                  const Cancellation* cancellation = nullptr);

    void Refresh() override;
    netbios::BrowseSnapshot Snapshot() override;

private:
    netbios::NetbiosService& service_;
    const std::chrono::milliseconds answer_wait_;
    const Cancellation* cancellation_;
};

// The network neighbourhood as the Windows network provider enumerates it, over a browse list:
//   the top (no container, or a network record) -> one record per workgroup: display type
//       DOMAIN, usage CONTAINER, remote name "OFFICE"; opening it refreshes the source first
//   a workgroup -> one record per computer: display type SERVER, usage CONTAINER, remote name
//       "\\PC1", its announced comment
//   a computer -> nothing (this system shares nothing)
// Each enumeration lists the browse list as it stood when it was opened. Safe to use from
// several threads, one enumeration per thread at a time.
class BrowseListEnumerator : public NetworkEnumerator {
public:
    explicit BrowseListEnumerator(NeighbourhoodSource& source);

    std::uint32_t OpenEnum(std::uint32_t scope, std::uint32_t type, std::uint32_t usage,
                           const NetResource* container, Handle& handle) override;
    std::uint32_t EnumResource(Handle handle, std::uint32_t max_count,
                               std::vector<NetResource>& records) override;
    std::uint32_t CloseEnum(Handle handle) override;

private:
    struct Enumeration {
        std::vector<NetResource> records;
        size_t next = 0;
    };
    std::vector<NetResource> RecordsInside(const NetResource* container);

    NeighbourhoodSource& source_;
    std::mutex mutex_;  // guards what follows
    std::map<Handle, Enumeration> open_;
    Handle next_handle_ = 1;
};

}  // namespace lyr
