// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

#include "platform/call_loop.h"

namespace lyr {

// UiThread over the Qt event loop of the thread that creates it: the one hand-over (CallLoop),
// driven by a queued Qt call whenever a background thread hands a call over. Once Stop() has run
// (the loop has ended), waiting calls are refused at once, so a background thread never waits
// for a loop that will not run again.
class QtUiThread final : public QObject, public UiThread {
public:
    QtUiThread();
    ~QtUiThread() override { Stop(); }

    bool RunAndWait(const std::function<void()>& call) override { return loop_.RunAndWait(call); }
    // On the UI thread, when its loop has ended.
    void Stop() { loop_.Quit(); }

private:
    CallLoop loop_;
};

}  // namespace lyr
