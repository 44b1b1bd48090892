#include "ui/pending_shell.h"

#include <QApplication>
#include <QTimer>

namespace lyr {

void PendingShell::EnableSetTextOnStartTimer() {
    QTimer::singleShot(100, qApp, [this] { start_timer_fired_(); });
}

void PendingShell::MessageBeep(std::uint32_t) {
    QApplication::beep();
}

}  // namespace lyr
