// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <string>

#include "base/ascii_case.h"
#include "netbios/interfaces.h"
#include "platform/host_identity.h"
#include "support/child_process.h"

namespace lyr {
namespace {

using test::ChildProcess;

const std::vector<std::string> kUtf8Terminal = {"LC_ALL=C.UTF-8"};

std::string Lyrnet() {
    return test::BinaryDir() + "/src/main/lyrnet";
}

struct Outcome {
    int exit_code;
    std::string errors;
};

Outcome RunLyrnet(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), Lyrnet());
    ChildProcess process(arguments, kUtf8Terminal);
    auto code = process.Wait();
    return {code.value_or(-1), process.RestOfErrors()};
}

// Starts "lyrnet listen" and waits until it holds the mailslot.
std::unique_ptr<ChildProcess> StartListener(std::vector<std::string> options) {
    options.insert(options.begin(), {Lyrnet(), "listen"});
    auto listener = std::make_unique<ChildProcess>(options, kUtf8Terminal);
    auto line = listener->ReadErrorLine();
    EXPECT_EQ(line, "lyrnet listen: receiving on \\\\.\\mailslot\\messngr");
    return listener;
}

// lyrnet listen takes this computer's NetBIOS names and lyrnet send resolves names on the
// network, so these tests run only where no network but loopback can be reached (the suite's
// own network namespace).
class LyrnetMailslotTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const auto& interface : netbios::ListIpv4Interfaces()) {
            if (!interface.loopback) {
                GTEST_SKIP() << "a network beside loopback is up (" << interface.name
                             << "); run the suite inside its network namespace (scripts/test.sh)";
            }
        }
    }
};

TEST_F(LyrnetMailslotTest, SendReachesListenWithTextAndNamesIntact) {
    auto listener = StartListener({"--count", "3", "--json"});
    std::string computer = ComputerName().value_or("");
    ASSERT_FALSE(computer.empty());
    const std::string lower_computer = ToLowerAscii(computer);
    EXPECT_EQ(RunLyrnet({"send", ".", "Привет, мир", "--from", "ANNA"}).exit_code, 0);
    EXPECT_EQ(
        RunLyrnet({"send", lower_computer, "quote \" back \\ tab\t line\r\nend", "--from", "Борис"})
            .exit_code,
        0);
    std::string long_text;
    for (int i = 0; i < 450; ++i) {
        long_text += "я";
    }
    EXPECT_EQ(RunLyrnet({"send", ".", long_text}).exit_code, 0);

    EXPECT_EQ(listener->ReadLine(), R"({"from":"ANNA","to":".","text":"Привет, мир"})");
    EXPECT_EQ(listener->ReadLine(), R"({"from":"Борис","to":")" + lower_computer +
                                        R"(","text":"quote \" back \\ tab\t line\r\nend"})");
    std::string cut;
    for (int i = 0; i < 400; ++i) {
        cut += "я";
    }
    EXPECT_EQ(listener->ReadLine(),
              R"({"from":")" + computer + R"(","to":".","text":")" + cut + R"("})")
        << "the sender defaults to this computer and the text is cut to 400 characters";
    EXPECT_EQ(listener->Wait(), 0) << "ends after --count messages";
}

TEST_F(LyrnetMailslotTest, ListenPrintsReadableLinesUntilInterrupted) {
    auto listener = StartListener({});
    EXPECT_EQ(RunLyrnet({"send", ".", "hi", "--from", "ANNA"}).exit_code, 0);
    EXPECT_EQ(listener->ReadLine(), "ANNA -> .: hi");
    listener->Signal(SIGINT);
    EXPECT_EQ(listener->Wait(), 0);
}

TEST_F(LyrnetMailslotTest, SecondListenerIsRefusedClearly) {
    auto listener = StartListener({});
    auto second = RunLyrnet({"listen"});
    EXPECT_EQ(second.exit_code, 1);
    EXPECT_NE(second.errors.find("Mailslot already exists"), std::string::npos) << second.errors;
    listener->Signal(SIGTERM);
    EXPECT_EQ(listener->Wait(), 0);
}

// The suite runs without a network beside loopback: a name nobody answers for, or a group
// nobody here receives, fails at once with the messenger's words and the reason.
TEST_F(LyrnetMailslotTest, SendFailsClearlyWhenNobodyCanReceive) {
    auto nobody = RunLyrnet({"send", ".", "hello?"});
    EXPECT_EQ(nobody.exit_code, 1);
    EXPECT_EQ(nobody.errors,
              "Не могу доставить сообщение адресату \".\".\n"
              "lyrnet send: nobody receives messages on this computer (no messenger or lyrnet "
              "listen holds the mailslot \"messngr\")\n");
    auto start = std::chrono::steady_clock::now();
    auto elsewhere = RunLyrnet({"send", "Другой", "hello?"});
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    EXPECT_EQ(elsewhere.exit_code, 1);
    EXPECT_EQ(elsewhere.errors,
              "Не могу доставить сообщение адресату \"Другой\".\n"
              "lyrnet send: no computer or group of that name answered on the network, and DNS "
              "does not know it\n");
    auto everybody = RunLyrnet({"send", "*", "hello?"});
    EXPECT_EQ(everybody.exit_code, 1);
    EXPECT_NE(everybody.errors.find("no network interface carries broadcasts, and nobody on this "
                                    "computer receives messages"),
              std::string::npos)
        << everybody.errors;
    auto too_long = RunLyrnet({"send", "OTHERPC", "hi", "--from", std::string(421, 'A')});
    EXPECT_EQ(too_long.exit_code, 1);
    EXPECT_NE(too_long.errors.find("may take 422 bytes"), std::string::npos) << too_long.errors;
    EXPECT_EQ(RunLyrnet({"send", "."}).exit_code, 2) << "a missing TEXT is a usage error";
}

// Group writes go to the subnet and into this computer's own queue, once.
TEST_F(LyrnetMailslotTest, OurWorkgroupAndStarReachThisComputerToo) {
    const std::vector<std::string> in_workgroup = {"LC_ALL=C.UTF-8",
                                                   "LYR_NETBIOS_WORKGROUP=LyrTestGroup"};
    ChildProcess listener({Lyrnet(), "listen", "--count", "3", "--json"}, in_workgroup);
    EXPECT_EQ(listener.ReadErrorLine(), "lyrnet listen: receiving on \\\\.\\mailslot\\messngr");
    EXPECT_EQ(listener.ReadErrorLine().value_or("").rfind(
                  "lyrnet listen: receiving from the network as ", 0),
              0u);
    for (const char* target : {"*", "lyrtestgroup"}) {
        ChildProcess send({Lyrnet(), "send", target, "всем", "--from", "ANNA"}, in_workgroup);
        EXPECT_EQ(send.Wait(), 0) << target;
    }
    EXPECT_EQ(RunLyrnet({"send", ".", "last"}).exit_code, 0);
    EXPECT_EQ(listener.ReadLine(), R"({"from":"ANNA","to":"*","text":"всем"})");
    EXPECT_EQ(listener.ReadLine(), R"({"from":"ANNA","to":"lyrtestgroup","text":"всем"})");
    EXPECT_NE(listener.ReadLine().value_or("").find(R"("text":"last")"), std::string::npos)
        << "nothing came twice";
    EXPECT_EQ(listener.Wait(), 0);
}

// What a script or a person types wrongly is refused before anything goes out, with the reason;
// what is cut is said.
TEST_F(LyrnetMailslotTest, CommandLineRefusesWhatItCannotDoAndSaysWhatItCuts) {
    ChildProcess version({Lyrnet(), "--version"});
    EXPECT_EQ(version.Wait(), 0);
    EXPECT_EQ(version.RestOfOutput().rfind("lyrnet 1.", 0), 0u) << "--version prints it";
    auto extra = RunLyrnet({"version", "extra"});
    EXPECT_EQ(extra.exit_code, 2);
    EXPECT_NE(extra.errors.find("takes no arguments"), std::string::npos) << extra.errors;

    auto long_wait = RunLyrnet({"scan", "--wait", "61"});
    EXPECT_EQ(long_wait.exit_code, 2);
    EXPECT_NE(long_wait.errors.find("at most 60 seconds"), std::string::npos) << long_wait.errors;

    auto long_name = RunLyrnet({"send", "ABCDEFGHIJKLMNOP", "hi"});
    EXPECT_EQ(long_name.exit_code, 2);
    EXPECT_NE(long_name.errors.find("has 16 characters; a computer or workgroup name has at "
                                    "most 15"),
              std::string::npos)
        << long_name.errors;

    auto listener = StartListener({"--count", "1", "--json"});
    const std::string text(401, 'x');
    auto strict = RunLyrnet({"send", ".", text, "--strict"});
    EXPECT_EQ(strict.exit_code, 2);
    EXPECT_NE(strict.errors.find("the text has 401 characters, and one message carries 400"),
              std::string::npos)
        << strict.errors;
    auto cut = RunLyrnet({"send", ".", text});
    EXPECT_EQ(cut.exit_code, 0);
    EXPECT_EQ(cut.errors,
              "lyrnet send: the text has 401 characters, and one message carries 400; the rest "
              "is cut off\n");
    const std::string received = listener->ReadLine().value_or("");
    EXPECT_NE(received.find(std::string(400, 'x') + "\""), std::string::npos) << received;
    EXPECT_EQ(received.find(std::string(401, 'x')), std::string::npos)
        << "the strict send sent nothing, the other one 400 characters";
    EXPECT_EQ(listener->Wait(), 0);
}

TEST(LyrnetHelpTest, DocumentsTheNetworkCommandsAndTheirSettings) {
    ChildProcess help({Lyrnet(), "--help"});
    ASSERT_EQ(help.Wait(), 0);
    std::string text = help.RestOfOutput();
    for (const char* expected :
         {"lyrnet send TARGET TEXT [--from NAME]", "lyrnet listen [--count N] [--json]",
          "lyrnet --version", "lyrnet names", "lyrnet doctor [--json]", "LYR_NETBIOS_COMPUTER_NAME",
          "LYR_NETBIOS_WORKGROUP", "LYR_NETBIOS_NS_PORT", "LYR_NETBIOS_DGM_PORT"}) {
        EXPECT_NE(text.find(expected), std::string::npos) << expected << " in\n" << text;
    }
}

}  // namespace
}  // namespace lyr
