#pragma once
// The forms runtime's Timer control: a repeating timer with a millisecond interval that
// keeps to its schedule. It ticks from a kernel timer (timerfd) that the event loop
// watches, so each tick comes when it is due rather than at the next whole millisecond.

#include <QObject>
#include <QTimer>

#include <memory>

class QSocketNotifier;

namespace platform {

class IntervalTimer : public QObject {
    Q_OBJECT
public:
    explicit IntervalTimer(QObject* parent = nullptr);
    ~IntervalTimer() override;

    // A new interval restarts a running timer, as the Timer control does.
    void setInterval(int milliseconds);
    int interval() const { return interval_; }
    bool isActive() const { return active_; }
    // Starts (or restarts) the timer: the first tick comes one interval from now.
    void start();
    void stop();

signals:
    // Ticks that fall due while the last one is still being handled are dropped, not queued.
    void timeout();

private:
    void onKernelTick();
    void emitTimeout();
    bool useKernelTimer() const { return descriptor_ >= 0 && interval_ > 0; }
    void armKernelTimer(int milliseconds);

    int descriptor_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
    QTimer fallback_;  // where no kernel timer can be had, or for an interval of 0
    int interval_ = 0;
    bool active_ = false;
    bool ticking_ = false;
};

} // namespace platform
