#pragma once

#include <QObject>

#include <functional>

class QSocketNotifier;

namespace lyr {

// SIGTERM and SIGINT as events of the UI thread: the handler writes the signal's number into a
// pipe that the event loop watches, and `ending` runs there.
class TerminationSignals final : public QObject {
public:
    explicit TerminationSignals(std::function<void()> ending, QObject* parent = nullptr);
    ~TerminationSignals() override;

private:
    std::function<void()> ending_;
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace lyr
