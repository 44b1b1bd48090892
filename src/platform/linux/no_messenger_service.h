// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/messenger_service.h"

namespace lyr {

// Linux is not of the NT family: no system service holds "messngr", so there is nothing to stop
// or to start again.
class NoMessengerService final : public MessengerServiceControl {
public:
    ServiceStopOutcome StopMessengerService() override { return {}; }
    void StartMessengerService() override {}
};

}  // namespace lyr
