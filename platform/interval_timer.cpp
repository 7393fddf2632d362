#include "interval_timer.h"

#include <QPointer>
#include <QSocketNotifier>

#include <cstdint>
#include <sys/timerfd.h>
#include <unistd.h>

namespace platform {

IntervalTimer::IntervalTimer(QObject* parent) : QObject(parent)
{
    descriptor_ = ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    if (descriptor_ >= 0) {
        notifier_ = std::make_unique<QSocketNotifier>(descriptor_, QSocketNotifier::Read);
        notifier_->setEnabled(false);
        connect(notifier_.get(), &QSocketNotifier::activated, this, &IntervalTimer::onKernelTick);
    }
    fallback_.setTimerType(Qt::PreciseTimer);
    connect(&fallback_, &QTimer::timeout, this, &IntervalTimer::emitTimeout);
}

IntervalTimer::~IntervalTimer()
{
    notifier_.reset();
    if (descriptor_ >= 0)
        ::close(descriptor_);
}

void IntervalTimer::setInterval(int milliseconds)
{
    interval_ = milliseconds < 0 ? 0 : milliseconds;
    if (active_)
        start();
}

void IntervalTimer::armKernelTimer(int milliseconds)
{
    // The kernel keeps a periodic timer on an absolute schedule, so late ticks do not drift it.
    itimerspec setting{};
    setting.it_interval.tv_sec = milliseconds / 1000;
    setting.it_interval.tv_nsec = static_cast<long>(milliseconds % 1000) * 1000000L;
    setting.it_value = setting.it_interval;
    ::timerfd_settime(descriptor_, 0, &setting, nullptr);
}

void IntervalTimer::start()
{
    stop();
    active_ = true;
    if (useKernelTimer()) {
        armKernelTimer(interval_);
        notifier_->setEnabled(true);
    } else {
        fallback_.start(interval_);
    }
}

void IntervalTimer::stop()
{
    active_ = false;
    fallback_.stop();
    if (descriptor_ >= 0) {
        // An all-zero setting disarms it and forgets a tick already due but not yet read.
        armKernelTimer(0);
        notifier_->setEnabled(false);
    }
}

void IntervalTimer::onKernelTick()
{
    std::uint64_t expirations = 0;
    if (::read(descriptor_, &expirations, sizeof expirations) != sizeof expirations || expirations == 0)
        return;
    emitTimeout();
}

void IntervalTimer::emitTimeout()
{
    // A handler that runs the event loop must not be entered again by the next tick.
    if (!active_ || ticking_)
        return;
    QPointer<IntervalTimer> alive(this);
    ticking_ = true;
    emit timeout();
    if (alive)
        ticking_ = false;
}

} // namespace platform
