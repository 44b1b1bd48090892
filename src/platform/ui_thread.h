// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

namespace lyr {

// The one way background threads reach the user-interface thread: run the call there and
// return when it has finished. Qt implements it with a blocking queued call; tests and lyrnet
// with a small loop of their own.
class UiThread {
public:
    virtual ~UiThread() = default;

    // Runs `call` on the user-interface thread and waits for it. Returns false when the loop
    // has stopped and the call was not run. Called on the UI thread itself, it runs `call` at once.
    virtual bool RunAndWait(const std::function<void()>& call) = 0;
};

}  // namespace lyr
