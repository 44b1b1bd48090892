// SPDX-License-Identifier: GPL-3.0-or-later
#include "netbios/browser.h"

#include <algorithm>
#include <limits>

#include "netbios/mailslot_write.h"

namespace lyr::netbios {
namespace {

constexpr std::string_view kBrowseMailslot = "\\MAILSLOT\\BROWSE";
// A schedule entry below this would keep the service thread busy announcing.
constexpr std::chrono::milliseconds kShortestInterval = std::chrono::seconds(1);
constexpr std::chrono::milliseconds kDefaultInterval = std::chrono::minutes(12);
// The version an announcement states; others only show it.
constexpr uint8_t kOsMajor = 6;
constexpr uint8_t kOsMinor = 1;

uint32_t Milliseconds(std::chrono::milliseconds duration) {
    return static_cast<uint32_t>(
        std::min<long long>(duration.count(), std::numeric_limits<uint32_t>::max()));
}

AnnouncerSettings Usable(AnnouncerSettings settings) {
    if (settings.intervals.empty()) {
        settings.intervals.push_back(kDefaultInterval);
    }
    for (auto& interval : settings.intervals) {
        interval = std::max(interval, kShortestInterval);
    }
    settings.answer_delay_max = std::max(settings.answer_delay_max, std::chrono::milliseconds(0));
    return settings;
}

}  // namespace

bool IsBrowserSlot(std::string_view slot) {
    std::string upper = NetbiosUpper(std::string(slot));
    return upper == "BROWSE" || upper == "LANMAN";
}

std::optional<std::string> BrowserMailslotWrite(std::string_view frame) {
    return BuildMailslotWrite(kBrowseMailslot, frame, MailslotWriteStyle::Browser);
}

Browser::Browser(AnnouncerSettings settings, BrowseList& list, SendGroupWrite send,
                 RandomDelay random_delay)
    : settings_(Usable(std::move(settings))),
      list_(list),
      send_(std::move(send)),
      random_delay_(std::move(random_delay)) {}

std::chrono::milliseconds Browser::CurrentInterval() const {
    size_t index = announcements_ == 0 ? 0 : announcements_ - 1;
    return settings_.intervals[std::min(index, settings_.intervals.size() - 1)];
}

void Browser::Start(Clock::time_point now) {
    if (started_) {
        return;
    }
    started_ = true;
    announcements_ = 0;
    next_announcement_ = now;
    RunTimers(now);
}

Browser::Clock::time_point Browser::RunTimers(Clock::time_point now) {
    if (!started_) {
        return Clock::time_point::max();
    }
    if (next_announcement_ <= now) {
        ++announcements_;
        next_announcement_ = now + CurrentInterval();
        Announce(settings_.server_type);
    }
    if (answer_due_ && *answer_due_ <= now) {
        answer_due_.reset();
        Announce(settings_.server_type);
    }
    return answer_due_ ? std::min(next_announcement_, *answer_due_) : next_announcement_;
}

void Browser::Stop() {
    if (!started_) {
        return;
    }
    Announce(0);
    started_ = false;
    answer_due_.reset();
    next_announcement_ = Clock::time_point::max();
}

void Browser::Announce(uint32_t server_type) {
    HostAnnouncement frame;
    frame.periodicity_ms = Milliseconds(CurrentInterval());
    frame.server_name = settings_.computer_name;
    frame.os_major = kOsMajor;
    frame.os_minor = kOsMinor;
    frame.server_type = server_type;
    auto data = BuildHostAnnouncement(frame);
    auto smb = data ? BrowserMailslotWrite(*data) : std::nullopt;
    if (smb) {
        // A lost announcement is made good by the next one.
        send_(NetbiosName::Make(settings_.workgroup, kMasterBrowserSuffix), *smb);
    }
}

void Browser::Receive(const Datagram& datagram, std::string_view frame, uint32_t source,
                      Clock::time_point now) {
    if (frame.empty()) {
        return;
    }
    switch (static_cast<BrowserOpcode>(frame.front())) {
        case BrowserOpcode::HostAnnouncement:
        case BrowserOpcode::LocalMasterAnnouncement:
            ReceiveAnnouncement(datagram, frame, source, now);
            break;
        case BrowserOpcode::DomainAnnouncement:
            ReceiveDomainAnnouncement(frame, source, now);
            break;
        case BrowserOpcode::AnnouncementRequest:
            ReceiveAnnouncementRequest(datagram, frame, now);
            break;
        default:
            break;  // elections and backup lists are for browser servers
    }
}

void Browser::ReceiveAnnouncement(const Datagram& datagram, std::string_view frame, uint32_t source,
                                  Clock::time_point now) {
    // The frame does not name the workgroup: the name it was sent to does, WORKGROUP<1D> for a
    // host, WORKGROUP<1E> for a local master.
    uint8_t suffix = datagram.destination.Suffix();
    if (suffix != kMasterBrowserSuffix && suffix != kBrowserElectionSuffix) {
        return;
    }
    auto announcement = ParseHostAnnouncement(frame);
    if (!announcement) {
        return;
    }
    list_.SeeComputer({datagram.destination.Base(), std::move(announcement->server_name),
                       announcement->server_type, std::move(announcement->comment), source},
                      std::chrono::milliseconds(announcement->periodicity_ms), now);
}

void Browser::ReceiveDomainAnnouncement(std::string_view frame, uint32_t source,
                                        Clock::time_point now) {
    auto announcement = ParseDomainAnnouncement(frame);
    if (!announcement) {
        return;
    }
    auto periodicity = std::chrono::milliseconds(announcement->periodicity_ms);
    list_.SeeWorkgroup(announcement->machine_group, periodicity, now);
    // The sender is the workgroup's local master: a computer of it.
    list_.SeeComputer({announcement->machine_group,
                       announcement->local_master_name,
                       announcement->server_type,
                       {},
                       source},
                      periodicity, now);
}

void Browser::ReceiveAnnouncementRequest(const Datagram& datagram, std::string_view frame,
                                         Clock::time_point now) {
    bool for_us =
        datagram.destination == NetbiosName::Make(settings_.workgroup, kWorkstationSuffix) ||
        datagram.destination == NetbiosName::Make(settings_.computer_name, kWorkstationSuffix);
    if (!started_ || !for_us || answer_due_ || !ParseAnnouncementRequest(frame)) {
        return;  // one answer covers every request that comes while it waits
    }
    answer_due_ = now + std::clamp(random_delay_(settings_.answer_delay_max),
                                   std::chrono::milliseconds(0), settings_.answer_delay_max);
}

}  // namespace lyr::netbios
