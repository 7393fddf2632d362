#include "stop_signals.h"

#include <QSocketNotifier>

namespace platform {

StopSignals::StopSignals(QObject* parent) : QObject(parent)
{
    std::string error;
    if (!pipe_.open(error))
        return;
    notifier_ = std::make_unique<QSocketNotifier>(pipe_.fd(), QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &StopSignals::readPending);
}

// The notifier goes before the pipe it watches.
StopSignals::~StopSignals() { notifier_.reset(); }

void StopSignals::readPending()
{
    while (const int signalNumber = pipe_.takeSignal())
        emit stopRequested(signalNumber);
}

} // namespace platform
