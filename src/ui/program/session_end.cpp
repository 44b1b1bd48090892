// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/program/session_end.h"

#include <QApplication>
#include <QSocketNotifier>
#include <QThread>

#include <cstdlib>

#include "ui/program/ui_log.h"

namespace lyr {

TerminationSignals::TerminationSignals(std::function<void()> ending, QObject* parent)
    : QObject(parent), ending_(std::move(ending)) {
    if (signals_.ReadableFd() < 0)
        return;
    notifier_ = new QSocketNotifier(signals_.ReadableFd(), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] {
        signals_.Drain();
        ending_();
    });
}

TerminationSignals::~TerminationSignals() {
    delete notifier_;
}

namespace {

ShutdownOnce* running = nullptr;

}  // namespace

ShutdownOnce::ShutdownOnce(std::function<void()> shutdown) : shutdown_(std::move(shutdown)) {
    static const bool registered = std::atexit(&ShutdownOnce::RunAtExit) == 0;
    if (!registered)
        qCWarning(lcUi) << "a broken display connection will end the program without its shutdown";
    running = this;
}

ShutdownOnce::~ShutdownOnce() {
    running = nullptr;
}

void ShutdownOnce::Run() {
    if (done_)
        return;
    done_ = true;
    shutdown_();
}

void ShutdownOnce::RunAtExit() {
    if (running == nullptr || running->done_)
        return;
    // Another thread's exit() would race the UI thread over every object the shutdown touches.
    if (QCoreApplication::instance() == nullptr ||
        QThread::currentThread() != QCoreApplication::instance()->thread()) {
        qCCritical(lcUi) << "the program ends from another thread; its shutdown cannot run";
        return;
    }
    qCWarning(lcUi) << "the display connection is gone; saving before the end";
    // No window can be shown any more: a failure of the shutdown goes to the standard error.
    qputenv("LYR_MESSAGE_BOXES", "stderr");
    running->Run();
}

}  // namespace lyr
