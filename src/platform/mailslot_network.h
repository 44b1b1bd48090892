// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace lyr {

// The network side of mailslot writes: a message for the mailslot `slot` of another computer,
// of a group, or of "*" (every computer of our workgroup). The local write path hands every
// target that is not this computer to it.
class MailslotNetwork {
public:
    virtual ~MailslotNetwork() = default;

    // Sends one whole message. False when it cannot go out: the name cannot be resolved, the
    // message is larger than one datagram may carry, or no network is available.
    virtual bool WriteRemote(const std::string& server, const std::string& slot,
                             std::string_view data) = 0;
};

}  // namespace lyr
