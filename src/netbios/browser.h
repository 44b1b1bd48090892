// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "netbios/browse_list.h"
#include "netbios/browser_frames.h"
#include "netbios/datagram.h"
#include "netbios/netbios_name.h"

namespace lyr::netbios {

// The mailslots browser frames travel on; both are taken.
bool IsBrowserSlot(std::string_view slot);
// A browser frame as the mailslot write that carries it, on "\MAILSLOT\BROWSE".
std::optional<std::string> BrowserMailslotWrite(std::string_view frame);

struct AnnouncerSettings {
    std::string computer_name;
    std::string workgroup;
    uint32_t server_type = 0;
    // The time from one HostAnnouncement to the next, one entry per announcement; the last
    // entry repeats. Each announcement states its own as its periodicity.
    std::vector<std::chrono::milliseconds> intervals;
    // An AnnouncementRequest is answered after a random delay up to this, so that a whole
    // workgroup does not answer at once.
    std::chrono::milliseconds answer_delay_max{30000};
};

// The browser side of a plain workstation: keeps the browse list from the announcements it
// hears and announces this computer to its workgroup. It runs on the NetBIOS service's thread,
// which passes it the time; it sends through `send` (a DIRECT_GROUP mailslot write to every
// subnet) and draws answer delays from `random_delay` (uniform in 0..max).
class Browser {
public:
    using Clock = std::chrono::steady_clock;
    using SendGroupWrite =
        std::function<bool(const NetbiosName& destination, std::string_view smb)>;
    using RandomDelay = std::function<std::chrono::milliseconds(std::chrono::milliseconds max)>;

    Browser(AnnouncerSettings settings, BrowseList& list, SendGroupWrite send,
            RandomDelay random_delay);

    // A browser frame (the data of a write to a browser slot) from `source`.
    void Receive(const Datagram& datagram, std::string_view frame, uint32_t source,
                 Clock::time_point now);

    // Starts announcing: the first HostAnnouncement goes now.
    void Start(Clock::time_point now);
    bool Started() const { return started_; }
    // Sends what is due by `now`; the next moment something is due (max() for nothing).
    Clock::time_point RunTimers(Clock::time_point now);
    // Says goodbye (server type 0) when it announced; nothing more is sent afterwards.
    void Stop();

    // The interval the next announcement states.
    std::chrono::milliseconds CurrentInterval() const;

private:
    void Announce(uint32_t server_type);
    void ReceiveAnnouncement(const Datagram& datagram, std::string_view frame, uint32_t source,
                             Clock::time_point now);
    void ReceiveDomainAnnouncement(std::string_view frame, uint32_t source, Clock::time_point now);
    void ReceiveAnnouncementRequest(const Datagram& datagram, std::string_view frame,
                                    Clock::time_point now);

    const AnnouncerSettings settings_;
    BrowseList& list_;
    const SendGroupWrite send_;
    const RandomDelay random_delay_;
    bool started_ = false;
    size_t announcements_ = 0;  // sent on the schedule so far
    Clock::time_point next_announcement_ = Clock::time_point::max();
    std::optional<Clock::time_point> answer_due_;
};

}  // namespace lyr::netbios
