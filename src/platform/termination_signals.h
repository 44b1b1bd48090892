// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace lyr {

// The requests to end the program that come from outside it (SIGTERM, SIGINT and SIGHUP on Linux),
// as a descriptor that becomes readable when one arrives, for an event loop to watch. One at a time
// per process; at its end the default handling of the requests comes back.
class TerminationSignalPipe {
public:
    TerminationSignalPipe();
    ~TerminationSignalPipe();
    TerminationSignalPipe(const TerminationSignalPipe&) = delete;
    TerminationSignalPipe& operator=(const TerminationSignalPipe&) = delete;

    // The descriptor to watch, or -1 when none could be made (the requests then end the
    // program at once, as by default).
    int ReadableFd() const;
    // Takes what arrived, so that the descriptor is quiet until the next request.
    void Drain();
};

}  // namespace lyr
