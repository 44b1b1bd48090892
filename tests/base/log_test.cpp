// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/log.h"

#include <errno.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <optional>
#include <stdexcept>
#include <string>

#include "platform/stderr_capture.h"

namespace lyr {
namespace {

// Sets JOURNAL_STREAM for the life of the object, as systemd does for the desktop's programs.
class JournalStream {
public:
    explicit JournalStream(const std::string& value) {
        if (const char* old = std::getenv("JOURNAL_STREAM")) {
            old_ = old;
        }
        ::setenv("JOURNAL_STREAM", value.c_str(), 1);
    }
    ~JournalStream() {
        if (old_) {
            ::setenv("JOURNAL_STREAM", old_->c_str(), 1);
        } else {
            ::unsetenv("JOURNAL_STREAM");
        }
    }

private:
    std::optional<std::string> old_;
};

std::string StreamOfStandardError() {
    struct stat status {};
    EXPECT_EQ(::fstat(2, &status), 0);
    return std::to_string(status.st_dev) + ":" + std::to_string(status.st_ino);
}

TEST(LogTest, ALineGoesToTheTerminalNamedOrToTheJournalWithItsPriority) {
    const std::string program = program_invocation_short_name;
    {
        test::StderrCapture capture;
        // Another stream's numbers: standard error was redirected after systemd set them.
        JournalStream elsewhere("1:1");
        LogLine(LogSeverity::Error, "transport", "first\nsecond\r");
        LogLine(LogSeverity::Warning, "contacts", "late");
        LogLine(LogSeverity::Debug, "netbios", "heard");
        EXPECT_EQ(capture.Take(), program + ": transport: error: first second \n" + program +
                                      ": contacts: warning: late\n" + program +
                                      ": netbios: debug: heard\n");
    }
    {
        test::StderrCapture capture;
        JournalStream journal(StreamOfStandardError());
        LogLine(LogSeverity::Error, "transport", "lost");
        LogLine(LogSeverity::Warning, "app", "not saved");
        LogLine(LogSeverity::Debug, "netbios", "heard");
        EXPECT_EQ(capture.Take(), "<3>transport: lost\n<4>app: not saved\n<7>netbios: heard\n");
    }
}

TEST(LogTest, DebugLinesAreWantedForTheTagsListedOrForAll) {
    EXPECT_TRUE(TagListed("netbios", "netbios"));
    EXPECT_TRUE(TagListed("transport,messaging", "messaging"));
    EXPECT_TRUE(TagListed("all", "contacts"));
    EXPECT_FALSE(TagListed("", "netbios"));
    EXPECT_FALSE(TagListed("netbiosx,,net", "netbios"));
    EXPECT_FALSE(TagListed("transport,", "messaging"));
}

TEST(LogTest, ACaughtErrorIsReportedWithItsReason) {
    test::StderrCapture capture;
    try {
        throw std::runtime_error("disk full");
    } catch (...) {
        LogCaughtException(LogSeverity::Error, "app", "Not saved");
    }
    try {
        throw 42;
    } catch (...) {
        LogCaughtException(LogSeverity::Error, "app", "Not sent");
    }
    const std::string text = capture.Take();
    EXPECT_EQ(test::LinesWith(text, "app: error: Not saved: disk full"), 1) << text;
    EXPECT_EQ(test::LinesWith(text, "app: error: Not sent: an error of unknown kind"), 1) << text;
}

}  // namespace
}  // namespace lyr
