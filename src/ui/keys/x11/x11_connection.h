// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>

struct xcb_connection_t;

namespace lyr {

// The application's connection to its X11 display; nullptr where the display is not X11
// (the offscreen platform offers the X11 interface without a display behind it).
xcb_connection_t* X11Connection();

// The atom of `name` on that display; 0 when it cannot be had.
std::uint32_t InternAtom(xcb_connection_t* connection, const std::string& name);

}  // namespace lyr
