#include "ui/program/session_end.h"

#include <QSocketNotifier>

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

}  // namespace lyr
