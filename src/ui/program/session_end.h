#pragma once

#include <QObject>

#include <functional>

#include "platform/termination_signals.h"

class QSocketNotifier;

namespace lyr {

// SIGTERM and SIGINT as events of the UI thread: `ending` runs there when one arrives.
class TerminationSignals final : public QObject {
public:
    explicit TerminationSignals(std::function<void()> ending, QObject* parent = nullptr);
    ~TerminationSignals() override;

private:
    std::function<void()> ending_;
    TerminationSignalPipe signals_;
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace lyr
