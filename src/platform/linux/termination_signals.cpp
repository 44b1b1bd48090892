// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/termination_signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "base/unique_fd.h"

namespace lyr {
namespace {

// The handler can reach only what is global; it writes the signal's number and nothing else.
UniqueFd read_end;
int write_end = -1;

extern "C" void WriteSignalToPipe(int number) {
    const int saved = errno;
    const char byte = static_cast<char>(number);
    [[maybe_unused]] ssize_t ignored = ::write(write_end, &byte, 1);
    errno = saved;
}

// SIGHUP comes when the terminal or the session that started the program goes; one started
// with it ignored (nohup) keeps it ignored.
bool hangup_ignored = false;

void SetHandler(void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
    if (!hangup_ignored)
        ::sigaction(SIGHUP, &action, nullptr);
}

}  // namespace

TerminationSignalPipe::TerminationSignalPipe() {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    read_end.reset(ends[0]);
    write_end = ends[1];
    struct sigaction hangup {};
    hangup_ignored = ::sigaction(SIGHUP, nullptr, &hangup) == 0 && hangup.sa_handler == SIG_IGN;
    SetHandler(WriteSignalToPipe);
}

TerminationSignalPipe::~TerminationSignalPipe() {
    if (!read_end)
        return;
    SetHandler(SIG_DFL);
    UniqueFd(std::exchange(write_end, -1)).reset();
    read_end.reset();
}

int TerminationSignalPipe::ReadableFd() const {
    return read_end.get();
}

void TerminationSignalPipe::Drain() {
    char bytes[16];
    while (::read(read_end.get(), bytes, sizeof(bytes)) > 0) {
    }
}

}  // namespace lyr
