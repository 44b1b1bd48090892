// SPDX-License-Identifier: GPL-3.0-or-later
// The message store loader over arbitrary bytes: whatever it keeps must save back to exactly the
// bytes it came from, and the file path must agree with the in-memory one. The first byte asks
// for 0 to 3 blocks of 40,000 bytes after the rest, so that a short input can claim texts on
// both sides of the longest stored text, with the bytes there.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "messaging/msg_store.h"

namespace {

// A scratch file for the file path, made once and removed at exit. The name is a plain array so
// that it outlives every exit handler.
char store_file[] = "/tmp/lyr-fuzz-store.XXXXXX";

const char* StoreFile() {
    static const bool made = [] {
        const int fd = ::mkstemp(store_file);
        if (fd < 0) {
            std::abort();
        }
        ::close(fd);
        std::atexit([] { std::remove(store_file); });
        return true;
    }();
    (void)made;
    return store_file;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    std::string bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    bytes.append(size_t{40'000} * (data[0] & 3), 'x');
    size = bytes.size();
    lyr::TMsgList list;
    const lyr::LoadReport report = list.LoadFromBytes(bytes);
    if (report.loaded != list.Count() || report.complete != (report.skipped_bytes == 0) ||
        report.complete != report.problem.empty() || report.skipped_bytes > size) {
        std::abort();
    }
    if (list.ToBytes() != bytes.substr(0, size - report.skipped_bytes)) {
        std::abort();
    }

    std::FILE* file = std::fopen(StoreFile(), "wb");
    if (!file || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size() ||
        std::fclose(file) != 0) {
        std::abort();
    }
    lyr::TMsgList from_file;
    const lyr::LoadReport file_report = from_file.LoadFromFile(StoreFile());
    if (file_report.loaded != report.loaded || file_report.skipped_bytes != report.skipped_bytes ||
        file_report.problem != report.problem) {
        std::abort();
    }
    return 0;
}
