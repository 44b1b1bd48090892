#pragma once

struct xcb_connection_t;

namespace lyr {

// The application's connection to its X11 display; nullptr where the display is not X11
// (the offscreen platform offers the X11 interface without a display behind it).
xcb_connection_t* X11Connection();

}  // namespace lyr
