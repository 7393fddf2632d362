#include "long_timeout.h"

#include <algorithm>

LongTimeout::LongTimeout(QObject* parent) : QObject(parent)
{
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &LongTimeout::step);
}

void LongTimeout::start(std::chrono::milliseconds limit)
{
    deadline_.setRemainingTime(limit, Qt::PreciseTimer);
    step();
}

void LongTimeout::step()
{
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline_.remainingTimeAsDuration());
    if (left <= std::chrono::milliseconds::zero()) {
        emit expired();
        return;
    }
    timer_.start(std::min(left, kLongestStep));
}
