// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/messenger_message.h"

namespace lyr {

// The longest text a sender puts into one datagram, in characters of the OEM code page.
constexpr size_t kLongestSentText = 400;

// A messenger datagram: sender, 0x00, receiver, 0x00, text. No header, no length, no checksum.
std::string BuildMessengerDatagram(const MessengerMessage& message);

// Each field ends at the next 0x00 or at the end of the data; missing fields are empty, and
// anything after a third 0x00 is ignored.
MessengerMessage SplitMessengerDatagram(std::string_view data);

// CRC-16/ARC: reflected polynomial 0xA001, initial value 0, no final inversion.
uint16_t Crc16Arc(std::string_view data);
// Four upper-case hexadecimal digits.
std::string CrcText(uint16_t crc);

// Copies of one datagram often arrive more than once within moments (one per network path or
// transport). A datagram is a repeat when it has the previous one's checksum and arrived less
// than 2000 ms after it on the wrapping millisecond tick.
constexpr uint32_t kRepeatWindowMilliseconds = 2000;
bool IsRepeatDatagram(std::string_view crc, uint32_t now, std::string_view last_crc,
                      uint32_t last_tick);

}  // namespace lyr
