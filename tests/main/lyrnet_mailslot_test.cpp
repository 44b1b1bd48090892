#include <gtest/gtest.h>
#include <signal.h>

#include <string>

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

TEST(LyrnetMailslotTest, SendReachesListenWithTextAndNamesIntact) {
    auto listener = StartListener({"--count", "3", "--json"});
    std::string computer = ComputerName().value_or("");
    ASSERT_FALSE(computer.empty());
    std::string lower_computer = computer;
    for (char& c : lower_computer) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
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

TEST(LyrnetMailslotTest, ListenPrintsReadableLinesUntilInterrupted) {
    auto listener = StartListener({});
    EXPECT_EQ(RunLyrnet({"send", ".", "hi", "--from", "ANNA"}).exit_code, 0);
    EXPECT_EQ(listener->ReadLine(), "ANNA -> .: hi");
    listener->Signal(SIGINT);
    EXPECT_EQ(listener->Wait(), 0);
}

TEST(LyrnetMailslotTest, SecondListenerIsRefusedClearly) {
    auto listener = StartListener({});
    auto second = RunLyrnet({"listen"});
    EXPECT_EQ(second.exit_code, 1);
    EXPECT_NE(second.errors.find("Mailslot already exists"), std::string::npos) << second.errors;
    listener->Signal(SIGTERM);
    EXPECT_EQ(listener->Wait(), 0);
}

TEST(LyrnetMailslotTest, SendFailsClearlyWhenNobodyCanReceive) {
    auto nobody = RunLyrnet({"send", ".", "hello?"});
    EXPECT_EQ(nobody.exit_code, 1);
    EXPECT_NE(nobody.errors.find("nobody receives messages there"), std::string::npos)
        << nobody.errors;
    auto elsewhere = RunLyrnet({"send", "OTHERPC", "hello?"});
    EXPECT_EQ(elsewhere.exit_code, 1);
    EXPECT_NE(elsewhere.errors.find("cannot reach the network"), std::string::npos)
        << elsewhere.errors;
    EXPECT_EQ(RunLyrnet({"send", "."}).exit_code, 2) << "a missing TEXT is a usage error";
}

TEST(LyrnetMailslotTest, HelpDocumentsSendAndListen) {
    ChildProcess help({Lyrnet(), "--help"});
    ASSERT_EQ(help.Wait(), 0);
    std::string text = help.RestOfOutput();
    EXPECT_NE(text.find("lyrnet send TARGET TEXT [--from NAME]"), std::string::npos) << text;
    EXPECT_NE(text.find("lyrnet listen [--count N] [--json]"), std::string::npos) << text;
}

}  // namespace
}  // namespace lyr
