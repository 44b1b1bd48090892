// SPDX-License-Identifier: GPL-3.0-or-later
// lyrnet history, run as the real program the way a user or a script runs it.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <nlohmann/json.hpp>
#include <sstream>

#include "messaging/msg_store.h"
#include "platform/codepage.h"
#include "platform/date_time.h"
#include "support/child_process.h"
#include "support/temp_dir.h"

namespace lyr {
namespace {

struct Outcome {
    int exit_code = -1;
    std::string out;
    std::string err;
};

std::string Quoted(const std::string& text) {
    return "'" + text + "'";
}

Outcome Lyrnet(const test::TempDir& dir, const std::string& arguments,
               const std::string& environment = "") {
    const std::string program = test::BinaryDir() + "/src/main/lyrnet";
    const std::string command = "env LC_ALL=ru_RU.UTF-8 " + environment + " " + Quoted(program) +
                                " history " + arguments + " >" + Quoted((dir / "out").string()) +
                                " 2>" + Quoted((dir / "err").string());
    Outcome run;
    const int status = std::system(command.c_str());
    run.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = test::ReadFile(dir / "out");
    run.err = test::ReadFile(dir / "err");
    return run;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

TMsgData Record(const CivilDateTime& time, std::string_view from, std::string_view to,
                std::string_view text) {
    TMsgData record;
    record.Time = EncodeDateTime(time);
    record.FromName = from;
    record.ToName = to;
    record.Text = Utf8ToAnsi(text);
    return record;
}

// Two whole messages, the second with Cyrillic, a quote, a backslash and a terminal escape, then
// a third entry cut off in its text.
void WriteDamagedStore(const std::filesystem::path& path) {
    TMsgList list;
    list.Append(Record({2026, 12, 8, 14, 3, 5, 0}, "PC1", "PC2", "Hello\r\nsecond line"));
    list.Append(Record({2026, 12, 9, 9, 0, 0, 0}, "BOSS", "PC2 PC3", "Привет \"\\\x1B[31m"));
    list.Append(Record({2026, 12, 9, 9, 1, 0, 0}, "X", "Y", "lost"));
    std::string bytes = list.ToBytes();
    bytes.resize(bytes.size() - 2);
    test::WriteFile(path, bytes);
}

TEST(LyrnetHistory, ShowsADamagedStoreAsFarAsItIsWhole) {
    test::TempDir dir;
    WriteDamagedStore(dir / "inbox.dat");
    const Outcome run = Lyrnet(dir, "--data-dir " + Quoted(dir.Path().string()));
    EXPECT_EQ(run.exit_code, 3);
    EXPECT_EQ(Lines(run.out), (std::vector<std::string>{
                                  "08.12.2026 14:03:05  PC1 -> PC2",
                                  "    Hello",
                                  "    second line",
                                  "09.12.2026 09:00:00  BOSS -> PC2 PC3",
                                  "    Привет \"\\?[31m",
                              }));
    EXPECT_NE(run.err.find("damaged"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("2 whole messages"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("skipped the last 76 bytes"), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(dir / "inbox.dat.bad"));  // only looking, never writing
}

TEST(LyrnetHistory, JsonGivesOneObjectALineInUtf8) {
    test::TempDir dir;
    WriteDamagedStore(dir / "outbox.dat");
    const Outcome run = Lyrnet(dir, "--outbox --json --data-dir " + Quoted(dir.Path().string()));
    EXPECT_EQ(run.exit_code, 3);
    const auto lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 2u) << run.out;
    const auto first = nlohmann::json::parse(lines[0]);
    EXPECT_EQ(first["time"], "2026-12-08T14:03:05");
    EXPECT_EQ(first["from"], "PC1");
    EXPECT_EQ(first["to"], "PC2");
    EXPECT_EQ(first["text"], "Hello\r\nsecond line");
    const auto second = nlohmann::json::parse(lines[1]);
    EXPECT_EQ(second["text"], "Привет \"\\\x1B[31m");
    EXPECT_EQ(lines[1].find('\x1B'), std::string::npos);  // escaped, not raw
    std::vector<std::string> keys;
    const auto ordered = nlohmann::ordered_json::parse(lines[1]);
    for (const auto& item : ordered.items()) {
        keys.push_back(item.key());
    }
    EXPECT_EQ(keys, (std::vector<std::string>{"time", "from", "to", "text"}));
}

TEST(LyrnetHistory, WholeStoreFromTheDefaultDirectory) {
    test::TempDir dir;
    const auto data = dir / "share" / "Zendry" / "Lyr Messenger" / "Data";
    std::filesystem::create_directories(data);
    TMsgList list;
    list.Append(Record({2026, 1, 2, 3, 4, 5, 0}, "A", "B", ""));
    TMsgData broken_time;
    broken_time.Time = std::numeric_limits<double>::quiet_NaN();
    list.Append(broken_time);
    list.SaveToFile(data / "inbox.dat");
    const Outcome run = Lyrnet(dir, "", "XDG_DATA_HOME=" + Quoted((dir / "share").string()));
    EXPECT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(run.out, "02.01.2026 03:04:05  A -> B\n?   -> \n");
    EXPECT_EQ(run.err, "");
    const Outcome json = Lyrnet(dir, "--json", "XDG_DATA_HOME=" + Quoted((dir / "share").string()));
    EXPECT_EQ(Lines(json.out).at(1), R"({"time":null,"from":"","to":"","text":""})");
}

TEST(LyrnetHistory, MissingStoreOrWrongArgumentsFail) {
    test::TempDir dir;
    Outcome run = Lyrnet(dir, "--data-dir " + Quoted(dir.Path().string()));
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_NE(run.err.find("inbox.dat does not exist"), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");
    run = Lyrnet(dir, "extra --data-dir " + Quoted(dir.Path().string()));
    EXPECT_EQ(run.exit_code, 2);
    run = Lyrnet(dir, "--data-dir");
    EXPECT_EQ(run.exit_code, 2);
}

}  // namespace
}  // namespace lyr
