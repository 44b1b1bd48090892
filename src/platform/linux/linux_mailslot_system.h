// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "platform/mailslot.h"
#include "platform/mailslot_network.h"

namespace lyr {

// Mailslots on Linux. Receive queues are local datagram queues. A write to "." or to this
// computer's name (any letter case) goes to the local queue; a write to any other computer, a
// group or "*" goes to `network`, and fails when there is none.
class LinuxMailslotSystem final : public MailslotSystem {
public:
    explicit LinuxMailslotSystem(std::string computer_name, MailslotNetwork* network = nullptr,
                                 int local_write_timeout_ms = 2000);

    std::unique_ptr<MailslotReceiver> Create(const std::string& name, int32_t max_size,
                                             MailslotCreateError& error) override;
    std::unique_ptr<MailslotWriteHandle> OpenForWrite(const std::string& name) override;

    bool IsThisComputer(const std::string& server) const;

private:
    std::string computer_name_;
    MailslotNetwork* network_;
    int local_write_timeout_ms_;
};

}  // namespace lyr
