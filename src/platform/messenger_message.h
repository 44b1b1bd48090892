// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace lyr {

// The mailslot every computer receives messenger messages on.
inline constexpr char kMessengerSlot[] = "messngr";

// One messenger message as it travels, whichever way it came in or goes out: the names in the
// order the datagram carries them, the text in the OEM code page. Passed whole, so that the
// three strings cannot change places on the way.
struct MessengerMessage {
    std::string sender;
    std::string receiver;
    std::string text;
};

}  // namespace lyr
