// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <string>

#include "platform/messenger_message.h"
#include "platform/tick_count.h"
#include "transport/md_mailslot.h"

namespace lyr {

class TmdCustomWinPopup;

using TwpMessage = std::function<void(TmdCustomWinPopup& Sender, const MessengerMessage& message)>;

// The messenger endpoint: receives messenger datagrams on the slot "messngr", drops a repeat of
// the previous datagram within 2 seconds, and raises OnMessage with the message's three fields as
// raw bytes (the text in the OEM code page, the names unconverted). Without an OnMessage handler
// datagrams are read and discarded and the repeat state stays as it was.
class TmdCustomWinPopup : public TmdCustomMailSlot {
public:
    TmdCustomWinPopup(MailslotSystem& system, UiThread& ui_thread, TickSource tick = GetTickCount);

    TwpMessage OnMessage;

    // Kept across closing and reopening.
    const std::string& LastCrc() const { return last_crc_; }
    uint32_t LastTick() const { return FLastTick; }

protected:
    void DoBinMessageAvail(const char* Data, int32_t Len) override;

private:
    std::string last_crc_;
    uint32_t FLastTick = 0;
    TickSource tick_;
};

// The messenger endpoint as the main window holds it: always "\\.\mailslot\messngr".
class TmdWinPopup : public TmdCustomWinPopup {
public:
    using TmdCustomWinPopup::TmdCustomWinPopup;

private:
    using TmdCustomWinPopup::SetServer;
    using TmdCustomWinPopup::SetSlot;
};

}  // namespace lyr
