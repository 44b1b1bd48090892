// SPDX-License-Identifier: GPL-3.0-or-later
// Load and save of a 100,000-message inbox.dat beside a plain read and write of the same bytes
// in the same run, and the peak memory of a load against the file's size (measured in a fresh
// process, so nothing of the benchmark itself is counted).
//
//   msg_store_bench [DIRECTORY]      (default: the system's temporary directory)
#include <fcntl.h>
#include <malloc.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "messaging/msg_store.h"
#include "platform/date_time.h"

namespace {

constexpr size_t kRecords = 100'000;
constexpr int kRounds = 7;

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Messages as a busy office receives them: texts of 0 to max_text bytes of Cyrillic-looking
// ANSI text, names of 3 to 15 characters.
void BuildStore(const std::filesystem::path& path, size_t max_text) {
    std::mt19937 random(42);
    lyr::TMsgList list;
    const double start = lyr::CurrentDateTime() - 365;
    for (size_t i = 0; i < kRecords; ++i) {
        lyr::TMsgData record;
        record.Time = start + static_cast<double>(i) / 300;
        record.FromName = "PC-" + std::to_string(random() % 100'000'000'000ull);
        record.ToName = "WORKGROUP";
        record.Text.resize(random() % (max_text + 1));
        for (char& character : record.Text) {
            character = static_cast<char>(0xC0 + random() % 64);
        }
        list.Append(std::move(record));
    }
    list.SaveToFile(path);
}

double PlainRead(const std::filesystem::path& path, std::vector<char>& buffer) {
    const auto start = Clock::now();
    std::FILE* file = std::fopen(path.c_str(), "rb");
    const size_t got = std::fread(buffer.data(), 1, buffer.size(), file);
    std::fclose(file);
    const double seconds = Seconds(start);
    if (got != buffer.size()) {
        std::fprintf(stderr, "short read\n");
        std::exit(1);
    }
    return seconds;
}

// The same into memory the process did not have yet, as a program that reads a file meets it.
double PlainReadIntoNewMemory(const std::filesystem::path& path, size_t size) {
    const auto start = Clock::now();
    char* buffer = static_cast<char*>(std::malloc(size));
    std::FILE* file = std::fopen(path.c_str(), "rb");
    const size_t got = std::fread(buffer, 1, size, file);
    std::fclose(file);
    std::free(buffer);
    const double seconds = Seconds(start);
    if (got != size) {
        std::fprintf(stderr, "short read\n");
        std::exit(1);
    }
    return seconds;
}

double PlainWrite(const std::filesystem::path& path, const std::vector<char>& buffer) {
    const auto start = Clock::now();
    std::FILE* file = std::fopen(path.c_str(), "wb");
    std::fwrite(buffer.data(), 1, buffer.size(), file);
    std::fflush(file);
    ::fsync(fileno(file));
    std::fclose(file);
    return Seconds(start);
}

// A field of /proc/self/status in kB: VmRSS (resident now) or VmHWM (the peak so far).
long StatusKilobytes(const char* field) {
    std::FILE* status = std::fopen("/proc/self/status", "r");
    char line[256];
    long kilobytes = -1;
    const size_t length = std::strlen(field);
    while (status && std::fgets(line, sizeof line, status)) {
        if (std::strncmp(line, field, length) == 0 && line[length] == ':') {
            kilobytes = std::strtol(line + length + 1, nullptr, 10);
        }
    }
    if (status) {
        std::fclose(status);
    }
    return kilobytes;
}

// In the fresh process: load the file once and print how far the peak resident size rose above
// what the process held before.
int MeasureLoad(const char* path) {
    const long before = StatusKilobytes("VmRSS");
    lyr::TMsgList list;
    const auto report = list.LoadFromFile(path);
    const long peak = StatusKilobytes("VmHWM");
    std::printf("%ld %zu\n", peak - before, report.loaded);
    return report.complete ? 0 : 1;
}

long LoadPeakInFreshProcess(const std::filesystem::path& path) {
    int pipe_ends[2];
    if (::pipe(pipe_ends) != 0) {
        return -1;
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(pipe_ends[1], STDOUT_FILENO);
        ::execl("/proc/self/exe", "msg_store_bench", "--measure-load", path.c_str(), nullptr);
        std::_Exit(127);
    }
    ::close(pipe_ends[1]);
    char text[64] = {};
    const ssize_t got = ::read(pipe_ends[0], text, sizeof text - 1);
    ::close(pipe_ends[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    long kilobytes = -1;
    size_t loaded = 0;
    if (got <= 0 || std::sscanf(text, "%ld %zu", &kilobytes, &loaded) != 2 || loaded != kRecords) {
        return -1;
    }
    return kilobytes;
}

void Run(const std::filesystem::path& directory, const char* title, size_t max_text) {
    const auto path = directory / "inbox.dat";
    BuildStore(path, max_text);
    const auto size = std::filesystem::file_size(path);
    std::vector<char> buffer(size);

    double best_read = 1e9, best_fresh_read = 1e9, best_load = 1e9, best_write = 1e9,
           best_save = 1e9;
    for (int round = 0; round < kRounds; ++round) {
        best_read = std::min(best_read, PlainRead(path, buffer));
        best_fresh_read = std::min(best_fresh_read, PlainReadIntoNewMemory(path, size));
        lyr::TMsgList list;
        auto start = Clock::now();
        const auto report = list.LoadFromFile(path);
        best_load = std::min(best_load, Seconds(start));
        if (!report.complete || report.loaded != kRecords) {
            std::fprintf(stderr, "load failed: %s\n", report.problem.c_str());
            std::exit(1);
        }
        best_write = std::min(best_write, PlainWrite(directory / "plain.dat", buffer));
        start = Clock::now();
        list.SaveToFile(directory / "saved.dat");
        best_save = std::min(best_save, Seconds(start));
    }
    buffer = {};
    ::malloc_trim(0);
    const long peak = LoadPeakInFreshProcess(path);

    std::printf("%s: %zu records, %.1f MiB\n", title, kRecords, size / 1048576.0);
    std::printf("  LoadFromFile %8.2f ms   plain fread          %8.2f ms   ratio %.2f\n",
                best_load * 1e3, best_read * 1e3, best_load / best_read);
    std::printf("                           fread into new memory %7.2f ms   ratio %.2f\n",
                best_fresh_read * 1e3, best_load / best_fresh_read);
    std::printf("  SaveToFile   %8.2f ms   plain fwrite + fsync %8.2f ms   ratio %.2f\n",
                best_save * 1e3, best_write * 1e3, best_save / best_write);
    std::printf("  peak memory of a load %.1f MiB = %.2f x the file\n", peak / 1024.0,
                peak * 1024.0 / static_cast<double>(size));
    std::filesystem::remove(directory / "plain.dat");
    std::filesystem::remove(directory / "saved.dat");
    std::filesystem::remove(path);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--measure-load") {
        return MeasureLoad(argv[2]);
    }
    const std::filesystem::path directory =
        argc > 1 ? argv[1] : std::filesystem::temp_directory_path();
    std::printf("best of %d rounds each\n", kRounds);
    Run(directory, "texts of 0..400 bytes", 400);
    Run(directory, "texts of 0..30 bytes", 30);
    return 0;
}
