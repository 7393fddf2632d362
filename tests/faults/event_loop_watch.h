#pragma once
// Watches the window's event loop: a 10 ms timer notes how late it fires at worst,
// and the process CPU clock tells how busy the process was.

#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <ctime>

inline double processCpuSecondsSelf()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

class EventLoopWatch {
public:
    static constexpr int kIntervalMs = 10;

    EventLoopWatch()
    {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(kIntervalMs);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            worstLatenessMs_ = std::max(worstLatenessMs_, sinceLast_.restart() - kIntervalMs);
        });
        restart();
    }
    // Starts a fresh measurement.
    void restart()
    {
        worstLatenessMs_ = 0;
        cpuStart_ = processCpuSecondsSelf();
        wall_.start();
        sinceLast_.start();
        timer_.start();
    }
    qint64 worstLatenessMs() const { return worstLatenessMs_; }
    // Share of one core this process used since restart().
    double cpuShare() const { return (processCpuSecondsSelf() - cpuStart_) / (static_cast<double>(wall_.elapsed()) / 1000.0); }

private:
    QTimer timer_;
    QElapsedTimer sinceLast_, wall_;
    qint64 worstLatenessMs_ = 0;
    double cpuStart_ = 0;
};
