// SPDX-License-Identifier: GPL-3.0-or-later
// The settings file of a start of the program (open, then a look and a read of each of 40
// values) and one write, over files of many values, beside a plain read of the same bytes.
//
//   registry_file_bench [DIRECTORY]      (default: the system's temporary directory)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/linux/registry_file.h"

namespace {

constexpr char kKey[] = "HKEY_CURRENT_USER\\Software\\Zendry\\Messenger\\1.0";
constexpr int kReads = 40;
constexpr int kRounds = 5;

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Values of the settings' own kinds: a string and a dword in turn, with texts of `text_size`.
void BuildFile(const std::filesystem::path& path, int count, size_t text_size) {
    std::vector<lyr::RegistryValue> values(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        lyr::RegistryValue& value = values[static_cast<size_t>(i)];
        value.name = "Value" + std::to_string(i);
        if (i % 2 == 0) {
            value.text = std::string(text_size, 'a' + i % 26);
        } else {
            value.kind = lyr::RegistryValue::Kind::Dword;
            value.dword = static_cast<std::uint32_t>(i);
        }
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    const std::string text = lyr::FormatRegistryFile(values, kKey);
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
}

double PlainRead(const std::filesystem::path& path) {
    const auto start = Clock::now();
    std::string bytes(std::filesystem::file_size(path), '\0');
    std::FILE* file = std::fopen(path.c_str(), "rb");
    const size_t got = std::fread(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
    return got == bytes.size() ? Seconds(start) : -1;
}

void Run(const std::filesystem::path& directory, int count, size_t text_size) {
    const auto path = directory / "1.0.reg";
    BuildFile(path, count, text_size);
    double best_read = 1e9, best_start = 1e9, best_write = 1e9;
    for (int round = 0; round < kRounds; ++round) {
        best_read = std::min(best_read, PlainRead(path));
        auto start = Clock::now();
        lyr::RegistryFile key(path, kKey);
        for (int i = 1; i <= kReads; ++i) {
            const std::string name = "Value" + std::to_string(count - 2 * i + 1);
            if (!key.ValueExists(name) || key.ReadInteger(name) != count - 2 * i + 1) {
                std::fprintf(stderr, "%s misread\n", name.c_str());
                std::exit(1);
            }
        }
        best_start = std::min(best_start, Seconds(start));
        start = Clock::now();
        key.WriteInteger("Value1", round);
        best_write = std::min(best_write, Seconds(start));
    }
    std::printf("%d values, %.1f MiB\n", count,
                static_cast<double>(std::filesystem::file_size(path)) / 1048576.0);
    std::printf("  open + %d looks and reads %9.2f ms   plain read %8.2f ms   ratio %.1f\n", kReads,
                best_start * 1e3, best_read * 1e3, best_start / best_read);
    std::printf("  one write (atomic, fsync) %9.2f ms\n", best_write * 1e3);
    std::filesystem::remove(path);
}

}  // namespace

int main(int argc, char** argv) {
    const std::filesystem::path directory =
        argc > 1 ? argv[1] : std::filesystem::temp_directory_path();
    std::printf("best of %d rounds each\n", kRounds);
    Run(directory, 32'000, 20);
    Run(directory, 1'000'000, 150);  // about 100 MB
    return 0;
}
