// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace lyr {

// The desktop program: single instance, start-up, the message loop and the shutdown. Returns
// the process's exit code.
int RunMessenger(int argc, char** argv);

}  // namespace lyr
