// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>

namespace lyr {

// Milliseconds since the system started, 32 bits, wrapping after about 49.7 days.
uint32_t GetTickCount();

// Where code that measures short intervals gets its tick, so tests can drive the clock.
using TickSource = std::function<uint32_t()>;

}  // namespace lyr
