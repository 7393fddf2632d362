#pragma once
// The stop signals (see stop_pipe.h) delivered on the event loop as a Qt signal.

#include "stop_pipe.h"

#include <QObject>

#include <memory>

class QSocketNotifier;

namespace platform {

class StopSignals : public QObject {
    Q_OBJECT
public:
    explicit StopSignals(QObject* parent = nullptr);
    ~StopSignals() override;
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // False when the signals could not be taken over; they then keep their default action.
    bool active() const { return notifier_ != nullptr; }

signals:
    // Once per signal received.
    void stopRequested(int signalNumber);

private:
    void readPending();

    StopPipe pipe_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace platform
