// SPDX-License-Identifier: GPL-3.0-or-later
// lyrnet history: the stored received (or sent) messages of a data directory, for reading or
// for scripts.
#include <cstdio>
#include <filesystem>
#include <string>

#include "app/data_dir.h"
#include "base/text.h"
#include "main/lyrnet/arguments.h"
#include "main/lyrnet/subcommands.h"
#include "main/lyrnet/terminal_text.h"
#include "messaging/msg_store.h"
#include "platform/codepage.h"
#include "platform/date_time.h"
#include "platform/error.h"

namespace lyr::cli {
namespace {

// The messenger's own data directory, found (and made) the way the messenger finds it.
std::filesystem::path DefaultDataDirectory() {
    return DefaultDataDir();
}

void PrintRecord(const TMsgData& record) {
    const std::string time = FormatLocalDateTime(record.Time).value_or("?");
    std::printf("%s  %s -> %s\n", time.c_str(), ForTerminal(record.FromName.Text()).c_str(),
                ForTerminal(record.ToName.Text()).c_str());
    for (std::string_view line : SplitLines(record.Text)) {
        std::printf("    %s\n", ForTerminal(line).c_str());
    }
}

void PrintRecordAsJson(const TMsgData& record) {
    nlohmann::ordered_json object;
    if (auto time = FormatIsoDateTime(record.Time)) {
        object["time"] = *time;
    } else {
        object["time"] = nullptr;
    }
    object["from"] = AnsiToUtf8(record.FromName.Text());
    object["to"] = AnsiToUtf8(record.ToName.Text());
    object["text"] = AnsiToUtf8(record.Text);
    PrintJsonLine(object);
}

}  // namespace

int RunHistory(const std::vector<std::string>& words) {
    const Arguments arguments(words, {"data-dir"}, {"outbox", "json"});
    if (!arguments.Positional().empty()) {
        throw UsageError("unexpected argument \"" + arguments.Positional().front() + "\"");
    }
    const std::filesystem::path directory =
        arguments.Value("data-dir").value_or(DefaultDataDirectory());
    const std::filesystem::path path =
        directory / (arguments.Has("outbox") ? "outbox.dat" : "inbox.dat");
    std::error_code error;
    if (!std::filesystem::exists(path, error)) {
        throw Exception("no messages are stored: " + path.string() + " does not exist");
    }
    TMsgList list;
    const LoadReport report = list.LoadFromFile(path);
    for (size_t i = 0; i < list.Count(); ++i) {
        if (arguments.Has("json")) {
            PrintRecordAsJson(list.Item(i));
        } else {
            PrintRecord(list.Item(i));
        }
    }
    std::fflush(stdout);
    if (!report.complete) {
        std::fprintf(stderr,
                     "lyrnet history: %s is damaged: shown the %zu whole messages before %s; "
                     "skipped the last %llu bytes\n",
                     path.c_str(), report.loaded, report.problem.c_str(),
                     static_cast<unsigned long long>(report.skipped_bytes));
        return kHistoryDamagedExitCode;
    }
    return 0;
}

}  // namespace lyr::cli
