// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/program/qt_ui_thread.h"

#include <QMetaObject>

#include <thread>

namespace lyr {

QtUiThread::QtUiThread()
    : loop_(std::this_thread::get_id(), [this] {
          QMetaObject::invokeMethod(
              this, [this] { loop_.RunWaiting(); }, Qt::QueuedConnection);
      }) {}

}  // namespace lyr
