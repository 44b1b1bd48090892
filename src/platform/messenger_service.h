// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace lyr {

// A failure of the service manager: its code and the system's own text for it (ANSI).
struct ServiceError {
    std::uint32_t code = 0;
    std::string text;
};

struct ServiceStopOutcome {
    // The service could be opened: from now on it counts as stopped by this program, also when
    // it was not running or refused to stop.
    bool stopped = false;
    // What the user is to be told: the service could not be opened, or it refused to stop.
    std::optional<ServiceError> error;
};

// The operating system's own messenger service, which holds the receiving mailslot "messngr"
// while it runs. Stop frees the name for this program at start-up; Start gives it back at exit.
// Each waits a bounded time while the service is pending. Only the NT family has the service;
// elsewhere both do nothing and Stop reports it as not stopped.
class MessengerServiceControl {
public:
    virtual ~MessengerServiceControl() = default;

    virtual ServiceStopOutcome StopMessengerService() = 0;
    // Failures are silent.
    virtual void StartMessengerService() = 0;
};

}  // namespace lyr
