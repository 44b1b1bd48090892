// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

#include <functional>

#include "platform/termination_signals.h"

class QSocketNotifier;

namespace lyr {

// SIGTERM, SIGINT and SIGHUP (a closed terminal, a session manager) as events of the UI thread:
// `ending` runs there when one arrives.
class TerminationSignals final : public QObject {
public:
    explicit TerminationSignals(std::function<void()> ending, QObject* parent = nullptr);
    ~TerminationSignals() override;

private:
    std::function<void()> ending_;
    TerminationSignalPipe signals_;
    QSocketNotifier* notifier_ = nullptr;
};

// The shutdown, run once, from whichever way the program ends first: after the message loop
// (Run), or from exit() when the platform plugin ends the process because the connection to
// the display broke (Qt's X11 and Wayland plugins call exit() then, from the UI thread, inside
// the loop, with every object of the program still alive). At most one exists at a time.
class ShutdownOnce {
public:
    explicit ShutdownOnce(std::function<void()> shutdown);
    ~ShutdownOnce();
    ShutdownOnce(const ShutdownOnce&) = delete;
    ShutdownOnce& operator=(const ShutdownOnce&) = delete;

    void Run();

private:
    static void RunAtExit();

    std::function<void()> shutdown_;
    bool done_ = false;
};

}  // namespace lyr
