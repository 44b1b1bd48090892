// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/mailslot.h"
#include "platform/messenger_message.h"

namespace lyr {

// Writing to a mailslot: "\\" + Server + "\mailslot\" + Slot, where Server is "." or this
// computer's name for this computer, or another computer, a group or "*". Each call opens,
// writes one whole datagram and closes; success means every byte was handed over, not that
// anybody received it.

// Nothing when the mailslot cannot be opened.
std::unique_ptr<MailslotWriteHandle> OpenRemoteSlot(MailslotSystem& system,
                                                    const std::string& Server,
                                                    const std::string& Slot);
bool WriteSlot(MailslotSystem& system, const std::string& Server, const std::string& Slot,
               const char* Buffer, uint32_t Count);
bool WriteSlotText(MailslotSystem& system, const std::string& Server, const std::string& Slot,
                   const std::string& Text);
// Writes the message as a messenger datagram to Server's "messngr".
bool SendDatagram(MailslotSystem& system, const std::string& Server,
                  const MessengerMessage& message);

}  // namespace lyr
