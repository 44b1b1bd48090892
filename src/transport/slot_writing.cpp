// SPDX-License-Identifier: GPL-3.0-or-later
#include "transport/slot_writing.h"

#include "transport/messenger_datagram.h"

namespace lyr {

std::unique_ptr<MailslotWriteHandle> OpenRemoteSlot(MailslotSystem& system,
                                                    const std::string& Server,
                                                    const std::string& Slot) {
    return system.OpenForWrite(MakeMailslotPath(Server, Slot));
}

bool WriteSlot(MailslotSystem& system, const std::string& Server, const std::string& Slot,
               const char* Buffer, uint32_t Count) {
    auto handle = OpenRemoteSlot(system, Server, Slot);
    if (!handle) {
        return false;
    }
    auto written = handle->Write(std::string_view(Buffer, Count));
    return written && *written == Count;
}

bool WriteSlotText(MailslotSystem& system, const std::string& Server, const std::string& Slot,
                   const std::string& Text) {
    return WriteSlot(system, Server, Slot, Text.data(), static_cast<uint32_t>(Text.size()));
}

bool SendDatagram(MailslotSystem& system, const std::string& Server,
                  const MessengerMessage& message) {
    return WriteSlotText(system, Server, kMessengerSlot, BuildMessengerDatagram(message));
}

}  // namespace lyr
