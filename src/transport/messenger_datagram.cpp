// SPDX-License-Identifier: GPL-3.0-or-later
#include "transport/messenger_datagram.h"

namespace lyr {

std::string BuildMessengerDatagram(const MessengerMessage& message) {
    std::string datagram;
    datagram.reserve(message.sender.size() + message.receiver.size() + message.text.size() + 2);
    datagram.append(message.sender);
    datagram.push_back('\0');
    datagram.append(message.receiver);
    datagram.push_back('\0');
    datagram.append(message.text);
    return datagram;
}

MessengerMessage SplitMessengerDatagram(std::string_view data) {
    auto next_field = [&data]() {
        auto end = data.find('\0');
        std::string field(data.substr(0, end));
        data.remove_prefix(end == std::string_view::npos ? data.size() : end + 1);
        return field;
    };
    MessengerMessage message;
    message.sender = next_field();
    message.receiver = next_field();
    message.text = next_field();
    return message;
}

uint16_t Crc16Arc(std::string_view data) {
    uint16_t crc = 0;
    for (unsigned char byte : data) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 1) ? static_cast<uint16_t>((crc >> 1) ^ 0xA001)
                            : static_cast<uint16_t>(crc >> 1);
        }
    }
    return crc;
}

std::string CrcText(uint16_t crc) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text(4, '0');
    for (int i = 3; i >= 0; --i) {
        text[static_cast<size_t>(i)] = kDigits[crc & 0xF];
        crc = static_cast<uint16_t>(crc >> 4);
    }
    return text;
}

bool IsRepeatDatagram(std::string_view crc, uint32_t now, std::string_view last_crc,
                      uint32_t last_tick) {
    // Unsigned difference: correct across the tick's wrap, and a copy that comes back after
    // more than 24.8 days of silence is not taken for a repeat.
    return now - last_tick < kRepeatWindowMilliseconds && crc == last_crc;
}

}  // namespace lyr
