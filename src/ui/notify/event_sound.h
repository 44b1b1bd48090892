// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

namespace lyr {

// The events of the desktop's sound theme the program sounds.
enum class EventSound { MessageReceived, MessageSent, Error };

// The sound theme's name of an event ("message-new-instant", ...).
const char* EventSoundId(EventSound sound);

// The event a core beep type stands for (kDefaultBeep, kSimpleBeep).
EventSound EventSoundOfBeep(std::uint32_t type);

// Plays the event from the desktop's sound theme without waiting for it; where that is not
// possible (no sound theme, no sound server), the plain beep of the display.
void PlayEventSound(EventSound sound);

}  // namespace lyr
