// SPDX-License-Identifier: GPL-3.0-or-later
#include "netbios/browser.h"

#include <gtest/gtest.h>

#include "netbios/mailslot_write.h"
#include "netbios/vectors.h"

namespace lyr::netbios {
namespace {

using namespace std::chrono_literals;
using Clock = Browser::Clock;

const Clock::time_point kStart = Clock::time_point() + 1h;
constexpr uint32_t kPeer = 0x0A000002;

AnnouncerSettings Settings(const char* workgroup = "OFFICE") {
    return {"PC1",
            workgroup,
            kServerTypeWorkstation | kServerTypeNt,
            {1min, 1min, 2min, 4min, 8min, 12min},
            30s};
}

// A browser whose sending, randomness and clock belong to the test.
struct Harness {
    explicit Harness(AnnouncerSettings settings = Settings())
        : list(settings.computer_name, settings.workgroup, settings.server_type),
          browser(
              settings, list,
              [this](const NetbiosName& destination, std::string_view smb) {
                  auto write = ParseMailslotWrite(smb);
                  EXPECT_TRUE(write);
                  EXPECT_EQ(write->mailslot_name, "\\MAILSLOT\\BROWSE");
                  auto frame = ParseHostAnnouncement(write->data);
                  EXPECT_TRUE(frame);
                  EXPECT_EQ(destination.ToString(), "OFFICE<1D>");
                  sent.push_back(*frame);
                  return true;
              },
              [this](std::chrono::milliseconds max) {
                  asked_for_delays_up_to.push_back(max);
                  return random_delay;
              }) {}

    // Runs the timers at `when`; how many announcements went out.
    size_t RunAt(Clock::time_point when) {
        size_t before = sent.size();
        next = browser.RunTimers(when);
        return sent.size() - before;
    }

    BrowseList list;
    Browser browser;
    std::vector<HostAnnouncement> sent;
    std::vector<std::chrono::milliseconds> asked_for_delays_up_to;
    std::chrono::milliseconds random_delay{0};
    Clock::time_point next;
};

Datagram DatagramTo(NetbiosName destination) {
    Datagram datagram;
    datagram.type = DatagramType::DirectGroup;
    datagram.source = NetbiosName::Make("PC2", kWorkstationSuffix);
    datagram.destination = destination;
    return datagram;
}

std::string RequestFrame() {
    return *BuildAnnouncementRequest({"PC2"});
}

// A golden packet as the browser gets it: the datagram and its mailslot data.
std::pair<Datagram, std::string> Golden(const std::string& vector) {
    auto datagram = ParseDatagram(test::Vector(vector));
    EXPECT_TRUE(datagram) << vector;
    auto write = ParseMailslotWrite(datagram->user_data);
    EXPECT_TRUE(write) << vector;
    return {*datagram, write->data};
}

TEST(Browser, AnnouncesAtOnceThenAfter1_1_2_4_8AndEvery12Minutes) {
    Harness harness;
    EXPECT_EQ(harness.RunAt(kStart), 0u);  // nothing before it is started
    EXPECT_EQ(harness.next, Clock::time_point::max());
    harness.browser.Start(kStart);
    ASSERT_EQ(harness.sent.size(), 1u);
    harness.next = harness.browser.RunTimers(kStart);

    std::vector<std::chrono::minutes> sent_at{0min};
    for (int i = 0; i < 8; ++i) {
        auto due = harness.next;
        EXPECT_EQ(harness.RunAt(due - 1ms), 0u);
        EXPECT_EQ(harness.RunAt(due), 1u);
        sent_at.push_back(std::chrono::duration_cast<std::chrono::minutes>(due - kStart));
    }
    EXPECT_EQ(sent_at, (std::vector<std::chrono::minutes>{0min, 1min, 2min, 4min, 8min, 16min,
                                                          28min, 40min, 52min}));
    std::vector<uint32_t> periods;
    for (const auto& frame : harness.sent) {
        periods.push_back(frame.periodicity_ms);
    }
    EXPECT_EQ(periods, (std::vector<uint32_t>{60000, 60000, 120000, 240000, 480000, 720000, 720000,
                                              720000, 720000}));
    const HostAnnouncement& frame = harness.sent.front();
    EXPECT_EQ(frame.opcode, BrowserOpcode::HostAnnouncement);
    EXPECT_EQ(frame.server_name, "PC1");
    EXPECT_EQ(frame.server_type, 0x1001u);
    EXPECT_EQ(frame.browser_major, 0x0F);
    EXPECT_EQ(frame.browser_minor, 0x01);
    EXPECT_EQ(frame.signature, kBrowserSignature);
    EXPECT_EQ(frame.comment, "");
}

TEST(Browser, AnswersARequestToItsWorkgroupOnceAfterARandomDelay) {
    Harness harness;
    auto request_to = [&](NetbiosName destination, Clock::time_point when,
                          std::string frame = RequestFrame()) {
        harness.browser.Receive(DatagramTo(destination), frame, kPeer, when);
        harness.next = harness.browser.RunTimers(when);
    };
    NetbiosName workgroup = NetbiosName::Make("OFFICE", kWorkstationSuffix);
    request_to(workgroup, kStart);
    EXPECT_TRUE(harness.asked_for_delays_up_to.empty());  // not announcing yet: no answer

    harness.browser.Start(kStart);
    harness.random_delay = 12345ms;
    request_to(workgroup, kStart + 10s);
    EXPECT_EQ(harness.asked_for_delays_up_to, std::vector<std::chrono::milliseconds>{30s});
    EXPECT_EQ(harness.next, kStart + 10s + 12345ms);
    // More requests while the answer waits are covered by it.
    request_to(workgroup, kStart + 11s);
    EXPECT_EQ(harness.asked_for_delays_up_to.size(), 1u);
    EXPECT_EQ(harness.RunAt(kStart + 22344ms), 0u);
    EXPECT_EQ(harness.RunAt(kStart + 22345ms), 1u);
    EXPECT_EQ(harness.sent.back().periodicity_ms, 60000u);  // the timer that runs
    EXPECT_EQ(harness.next, kStart + 1min);                 // the schedule stays as it was

    // Requests for others, and a request that is not one, are not answered.
    for (auto destination : {NetbiosName::Make("OFFICE", kMasterBrowserSuffix),
                             NetbiosName::Make("SALES", kWorkstationSuffix),
                             NetbiosName::Make("PC9", kWorkstationSuffix)}) {
        request_to(destination, kStart + 30s);
    }
    request_to(workgroup, kStart + 30s, std::string("\x02", 1));
    EXPECT_EQ(harness.asked_for_delays_up_to.size(), 1u);

    // One put to this computer is; a delay beyond the limit is cut to it.
    harness.random_delay = 99s;
    request_to(NetbiosName::Make("PC1", kWorkstationSuffix), kStart + 30s);
    EXPECT_EQ(harness.next, kStart + 1min);
    EXPECT_EQ(harness.RunAt(kStart + 1min), 2u);  // the scheduled one and the answer
}

TEST(Browser, SaysGoodbyeOnceWhenItAnnounced) {
    Harness quiet;
    quiet.browser.Stop();
    EXPECT_TRUE(quiet.sent.empty());

    Harness harness;
    harness.browser.Start(kStart);
    harness.browser.Receive(DatagramTo(NetbiosName::Make("OFFICE", 0)), RequestFrame(), kPeer,
                            kStart);
    harness.browser.Stop();
    ASSERT_EQ(harness.sent.size(), 2u);
    EXPECT_EQ(harness.sent.back().server_type, 0u);
    EXPECT_EQ(harness.sent.back().server_name, "PC1");
    harness.browser.Stop();
    EXPECT_EQ(harness.RunAt(kStart + 1h), 0u);  // neither the schedule nor the answer goes on
    EXPECT_EQ(harness.sent.size(), 2u);
}

TEST(Browser, KeepsTheBrowseListFromTheGoldenFrames) {
    Harness harness;
    auto receive = [&](const std::string& vector) {
        auto [datagram, frame] = Golden(vector);
        harness.browser.Receive(datagram, frame, kPeer, kStart);
    };
    receive("host_announcement");          // ANNA-PC to WORKGROUP<1D>
    receive("local_master_announcement");  // PC1, the master of WORKGROUP, to WORKGROUP<1E>
    receive("domain_announcement");        // WORKGROUP, by PC1, to the master browsers
    uint64_t generation = harness.list.Generation();
    receive("request_election");
    receive("announcement_request");
    EXPECT_EQ(harness.list.Generation(), generation);

    auto snapshot = harness.list.Snapshot();
    EXPECT_EQ(snapshot.workgroups, (std::vector<std::string>{"OFFICE", "WORKGROUP"}));
    auto computers = snapshot.ComputersOf("WORKGROUP");
    ASSERT_EQ(computers.size(), 2u);
    EXPECT_EQ(computers[0], (BrowseComputer{"WORKGROUP", "ANNA-PC", 0x1003, "", kPeer}));
    EXPECT_EQ(computers[1].name, "PC1");
    EXPECT_TRUE(computers[1].server_type & kServerTypeMasterBrowser);
    EXPECT_TRUE(harness.sent.empty());  // a request to WORKGROUP is not ours to answer

    // Every frame states 12 minutes: all of it lives for 36.
    harness.list.Expire(kStart + 36min - 1ms);
    EXPECT_EQ(harness.list.Snapshot(), snapshot);
    harness.list.Expire(kStart + 36min);
    EXPECT_EQ(harness.list.Snapshot().workgroups, std::vector<std::string>{"OFFICE"});
}

TEST(Browser, AnnouncementsTakeTheirWorkgroupFromTheMasterBrowserNames) {
    Harness harness;
    HostAnnouncement announcement;
    announcement.periodicity_ms = 60000;
    announcement.server_name = "PC3";
    announcement.server_type = 0x1003;
    std::string frame = *BuildHostAnnouncement(announcement);
    auto receive = [&](NetbiosName destination, const std::string& data) {
        harness.browser.Receive(DatagramTo(destination), data, kPeer, kStart);
    };
    // Names that do not stand for a workgroup's browsers say nothing about its workgroup.
    receive(NetbiosName::Make("PC1", kWorkstationSuffix), frame);
    receive(NetbiosName::Make("SALES", kMessengerSuffix), frame);
    receive(NetbiosName::Wildcard(), frame);
    receive(NetbiosName::MasterBrowsers(), frame);
    EXPECT_EQ(harness.list.Snapshot().computers.size(), 1u);

    receive(NetbiosName::Make("SALES", kMasterBrowserSuffix), frame);
    EXPECT_EQ(harness.list.Snapshot().ComputersOf("SALES").size(), 1u);
    for (size_t cut : {0, 1, 10, 31}) {
        announcement.server_type = 0;  // would remove it, were it whole
        receive(NetbiosName::Make("SALES", kMasterBrowserSuffix),
                BuildHostAnnouncement(announcement)->substr(0, cut));
    }
    EXPECT_EQ(harness.list.Snapshot().ComputersOf("SALES").size(), 1u);
    receive(NetbiosName::Make("SALES", kMasterBrowserSuffix), *BuildHostAnnouncement(announcement));
    EXPECT_TRUE(harness.list.Snapshot().ComputersOf("SALES").empty());
}

TEST(Browser, BrowserSlotsAreBrowseAndLanmanInAnyCase) {
    EXPECT_TRUE(IsBrowserSlot("BROWSE"));
    EXPECT_TRUE(IsBrowserSlot("browse"));
    EXPECT_TRUE(IsBrowserSlot("LanMan"));
    EXPECT_FALSE(IsBrowserSlot("MESSNGR"));
    EXPECT_FALSE(IsBrowserSlot("BROWSE\\SUB"));
}

}  // namespace
}  // namespace lyr::netbios
