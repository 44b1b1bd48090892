// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "netbios/browser_frames.h"
#include "netbios/mailslot_write.h"
#include "netbios/vectors.h"

namespace lyr::netbios {
namespace {

std::string Frame(const std::string& vector) {
    return ParseMailslotWrite(lyr::test::Vector(vector).substr(82))->data;
}

TEST(BrowserFrames, HostAndLocalMasterAnnouncementsBothWays) {
    HostAnnouncement host;
    host.periodicity_ms = 720000;
    host.server_name = "ANNA-PC";
    host.os_major = 6;
    host.os_minor = 1;
    host.server_type = kServerTypeWorkstation | kServerTypeServer | kServerTypeNt;
    EXPECT_EQ(BuildHostAnnouncement(host), Frame("host_announcement"));
    EXPECT_EQ(ParseHostAnnouncement(Frame("host_announcement")), host);

    auto master = ParseHostAnnouncement(Frame("local_master_announcement"));
    ASSERT_TRUE(master);
    EXPECT_EQ(master->opcode, BrowserOpcode::LocalMasterAnnouncement);
    EXPECT_EQ(master->server_name, "PC1");
    EXPECT_TRUE(master->server_type & kServerTypeMasterBrowser);
    EXPECT_EQ(BuildHostAnnouncement(*master), Frame("local_master_announcement"));

    host.comment = "Бухгалтерия";  // any bytes but NUL, up to 42 of them
    EXPECT_EQ(ParseHostAnnouncement(*BuildHostAnnouncement(host)), host);
    host.comment = std::string(43, 'c');
    EXPECT_FALSE(BuildHostAnnouncement(host));
    host.comment.clear();
    host.server_name = "SIXTEEN-LETTERS!";
    EXPECT_FALSE(BuildHostAnnouncement(host));
}

TEST(BrowserFrames, DomainAnnouncementRequestAndElection) {
    auto domain = ParseDomainAnnouncement(Frame("domain_announcement"));
    ASSERT_TRUE(domain);
    EXPECT_EQ(domain->machine_group, "WORKGROUP");
    EXPECT_EQ(domain->local_master_name, "PC1");
    EXPECT_TRUE(domain->server_type & kServerTypeDomainEnum);
    EXPECT_EQ(BuildDomainAnnouncement(*domain), Frame("domain_announcement"));

    EXPECT_EQ(BuildAnnouncementRequest({"ANNA-PC"}), Frame("announcement_request"));
    EXPECT_EQ(ParseAnnouncementRequest(Frame("announcement_request"))->response_name, "ANNA-PC");
    EXPECT_EQ(ParseAnnouncementRequest(std::string("\x02\x00", 2))->response_name, "");

    auto election = ParseRequestElection(Frame("request_election"));
    ASSERT_TRUE(election);
    EXPECT_EQ(election->version, 1);
    EXPECT_EQ(election->criteria, 0u);
    EXPECT_EQ(election->server_name, "ANNA-PC");
}

TEST(BrowserFrames, RejectsTruncatedFramesAndNamesWithoutTerminator) {
    std::string host = Frame("host_announcement");
    for (size_t cut : {0, 1, 5, 21, 31}) {
        EXPECT_FALSE(ParseHostAnnouncement(host.substr(0, cut))) << cut;
    }
    EXPECT_TRUE(ParseHostAnnouncement(host.substr(0, 32)));  // the comment may be missing
    std::string unterminated = host;
    unterminated.replace(6, 16, "ABCDEFGHIJKLMNOP");
    EXPECT_FALSE(ParseHostAnnouncement(unterminated));
    EXPECT_FALSE(ParseHostAnnouncement(host.substr(0, 32) + std::string(50, 'c')));
    EXPECT_FALSE(ParseHostAnnouncement(Frame("domain_announcement")));  // another opcode

    std::string domain = Frame("domain_announcement");
    EXPECT_FALSE(ParseDomainAnnouncement(domain.substr(0, domain.size() - 1)));  // master's NUL
    EXPECT_FALSE(ParseDomainAnnouncement(domain.substr(0, 20)));
    std::string election = Frame("request_election");
    EXPECT_FALSE(ParseRequestElection(election.substr(0, 13)));
    EXPECT_FALSE(ParseRequestElection(election.substr(0, election.size() - 1)));
    EXPECT_FALSE(
        ParseAnnouncementRequest(std::string("\x02\x00"
                                             "ANNA-PC",
                                             9)));
    EXPECT_FALSE(ParseAnnouncementRequest(std::string("\x02", 1)));
}

}  // namespace
}  // namespace lyr::netbios
