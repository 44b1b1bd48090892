// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/notify/event_sound.h"

#include <QApplication>

#include <canberra.h>

#include <chrono>

#include "messaging/main_window_views.h"

namespace lyr {
namespace {

constexpr auto kSoundServerRetry = std::chrono::seconds(30);

// One context for the run, made at the first sound; nothing when it cannot be made or its sound
// server cannot be reached. A closed context would try every output driver again at each sound,
// loading and unloading their libraries for milliseconds: a flood's sounds would take most of
// the receiving time. A server that starts after the program is found at a sound 30 s later.
ca_context* SoundContext() {
    static ca_context* const context = [] {
        ca_context* made = nullptr;
        if (ca_context_create(&made) != CA_SUCCESS) {
            return static_cast<ca_context*>(nullptr);
        }
        ca_context_change_props(made, CA_PROP_APPLICATION_NAME, "Lyr Messenger",
                                CA_PROP_APPLICATION_ID, "lyrmessenger",
                                CA_PROP_APPLICATION_ICON_NAME, "lyrmessenger", nullptr);
        return made;
    }();
    static bool open = false;
    static std::chrono::steady_clock::time_point next_try;
    if (context != nullptr && !open && std::chrono::steady_clock::now() >= next_try) {
        open = ca_context_open(context) == CA_SUCCESS;
        next_try = std::chrono::steady_clock::now() + kSoundServerRetry;
    }
    return open ? context : nullptr;
}

}  // namespace

const char* EventSoundId(EventSound sound) {
    switch (sound) {
        case EventSound::MessageReceived:
            return "message-new-instant";
        case EventSound::MessageSent:
            return "message-sent-instant";
        case EventSound::Error:
            break;
    }
    return "dialog-error";
}

EventSound EventSoundOfBeep(std::uint32_t type) {
    return type == kSimpleBeep ? EventSound::MessageSent : EventSound::MessageReceived;
}

void PlayEventSound(EventSound sound) {
    ca_context* context = SoundContext();
    // ca_context_play only starts the sound; it fails at once when the event has no sound.
    if (context == nullptr ||
        ca_context_play(context, 0, CA_PROP_EVENT_ID, EventSoundId(sound), nullptr) != CA_SUCCESS) {
        QApplication::beep();
    }
}

}  // namespace lyr
