#pragma once

#include <QObject>

#include <condition_variable>
#include <mutex>

#include "platform/ui_thread.h"

namespace lyr {

// UiThread over the Qt event loop of the thread that creates it. A call from another thread is
// queued to the loop and waited for; once Stop() has run (the loop has ended), waiting calls
// return false at once and queued ones are dropped, so a background thread never waits for a
// loop that will not run again.
class QtUiThread final : public QObject, public UiThread {
public:
    QtUiThread() = default;
    ~QtUiThread() override { Stop(); }

    bool RunAndWait(const std::function<void()>& call) override;
    // On the UI thread, when its loop has ended.
    void Stop();

private:
    std::mutex mutex_;
    std::condition_variable finished_;
    bool stopped_ = false;
};

}  // namespace lyr
