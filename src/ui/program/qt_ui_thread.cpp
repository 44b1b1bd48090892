#include "ui/program/qt_ui_thread.h"

#include <QMetaObject>
#include <QThread>

#include <memory>

namespace lyr {

bool QtUiThread::RunAndWait(const std::function<void()>& call) {
    if (QThread::currentThread() == thread()) {
        call();
        return true;
    }
    auto done = std::make_shared<bool>(false);
    {
        std::lock_guard lock(mutex_);
        if (stopped_)
            return false;
    }
    // The call runs on the UI thread, where Stop() runs too: a call that starts there has
    // not been given up by its caller.
    QMetaObject::invokeMethod(
        this,
        [this, call, done] {
            {
                std::lock_guard lock(mutex_);
                if (stopped_)
                    return;
            }
            call();
            std::lock_guard lock(mutex_);
            *done = true;
            finished_.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock lock(mutex_);
    finished_.wait(lock, [&] { return *done || stopped_; });
    return *done;
}

void QtUiThread::Stop() {
    std::lock_guard lock(mutex_);
    stopped_ = true;
    finished_.notify_all();
}

}  // namespace lyr
