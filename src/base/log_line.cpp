// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/log.h"

#include <errno.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace lyr {
namespace {

// systemd names the journal stream it connects to standard error in JOURNAL_STREAM as
// "DEVICE:INODE"; only when standard error still is that stream does a priority prefix mean
// anything (a child whose standard error was redirected inherits the variable too).
bool StandardErrorIsJournal() {
    const char* stream = std::getenv("JOURNAL_STREAM");
    if (stream == nullptr || *stream == '\0') {
        return false;
    }
    uintmax_t device = 0;
    uintmax_t inode = 0;
    char rest = 0;
    if (std::sscanf(stream, "%" SCNuMAX ":%" SCNuMAX "%c", &device, &inode, &rest) != 2) {
        return false;
    }
    struct stat status {};
    return ::fstat(STDERR_FILENO, &status) == 0 &&
           static_cast<uintmax_t>(status.st_dev) == device &&
           static_cast<uintmax_t>(status.st_ino) == inode;
}

void WriteAll(const std::string& line) {
    const char* data = line.data();
    size_t left = line.size();
    while (left > 0) {
        const ssize_t written = ::write(STDERR_FILENO, data, left);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return;
        }
        data += written;
        left -= static_cast<size_t>(written);
    }
}

}  // namespace

void LogLine(LogSeverity severity, std::string_view tag, std::string_view text) noexcept {
    try {
        const bool journal = StandardErrorIsJournal();
        std::string line;
        if (journal) {
            line = severity == LogSeverity::Error     ? "<3>"
                   : severity == LogSeverity::Warning ? "<4>"
                                                      : "<7>";
        } else {
            line = program_invocation_short_name;
            line += ": ";
        }
        line += tag;
        line += ": ";
        if (!journal) {
            line += severity == LogSeverity::Error     ? "error: "
                    : severity == LogSeverity::Warning ? "warning: "
                                                       : "debug: ";
        }
        for (char c : text) {
            line += c == '\n' || c == '\r' ? ' ' : c;
        }
        line += '\n';
        // One write, so that lines from different threads do not interleave.
        WriteAll(line);
    } catch (...) {
        // Out of memory for the line itself: nothing is left to report with.
    }
}

}  // namespace lyr
