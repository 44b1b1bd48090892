// SPDX-License-Identifier: GPL-3.0-or-later
#include "transport/md_winpopup.h"

#include <string_view>

#include "transport/messenger_datagram.h"

namespace lyr {

TmdCustomWinPopup::TmdCustomWinPopup(MailslotSystem& system, UiThread& ui_thread, TickSource tick)
    : TmdCustomMailSlot(system, ui_thread), tick_(std::move(tick)) {
    SetSlot(kMessengerSlot);
}

void TmdCustomWinPopup::DoBinMessageAvail(const char* Data, int32_t Len) {
    if (!OnMessage || Len < 0) {
        return;
    }
    std::string_view datagram(Data, static_cast<size_t>(Len));
    std::string crc = CrcText(Crc16Arc(datagram));
    uint32_t now = tick_();
    bool repeat = IsRepeatDatagram(crc, now, last_crc_, FLastTick);
    FLastTick = now;
    last_crc_ = crc;
    if (repeat) {
        return;
    }
    OnMessage(*this, SplitMessengerDatagram(datagram));
}

}  // namespace lyr
