#include "platform/interval_timer.h"

#include "card_and_panel_processes.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <gtest/gtest.h>

namespace platform {
namespace {

// A handler that takes a quarter of the interval must not push later ticks back:
// twenty ticks of 20 ms end near 400 ms, where re-arming after each one would end at 500 or later.
TEST(IntervalTimer, KeepsToItsScheduleWhenHandlersTakeTime)
{
    IntervalTimer timer;
    timer.setInterval(20);
    QElapsedTimer clock;
    int ticks = 0;
    qint64 twentieth = 0;
    QEventLoop loop;
    QObject::connect(&timer, &IntervalTimer::timeout, [&] {
        QThread::msleep(5);
        if (++ticks == 20) {
            twentieth = clock.elapsed();
            loop.quit();
        }
    });
    clock.start();
    timer.start();
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    loop.exec();
    ASSERT_EQ(ticks, 20);
    EXPECT_GE(twentieth, 400);
    EXPECT_LT(twentieth, 490);
}

TEST(IntervalTimer, StopDropsATickAlreadyDueAndStartBeginsAFullIntervalLater)
{
    IntervalTimer timer;
    timer.setInterval(10);
    int ticks = 0;
    QObject::connect(&timer, &IntervalTimer::timeout, [&] { ++ticks; });
    timer.start();
    EXPECT_TRUE(timer.isActive());
    QThread::msleep(30);  // the kernel timer has expired, unseen by the event loop
    timer.stop();
    EXPECT_FALSE(timer.isActive());
    runEventsFor(50);
    EXPECT_EQ(ticks, 0);

    timer.setInterval(200);
    timer.start();
    runEventsFor(100);
    EXPECT_EQ(ticks, 0);
    EXPECT_EQ(timer.interval(), 200);
}

// A handler that runs the event loop for several intervals is not entered again,
// and the timer goes on ticking once it returns.
TEST(IntervalTimer, AHandlerRunningTheEventLoopIsNotReentered)
{
    IntervalTimer timer;
    timer.setInterval(10);
    int depth = 0;
    int deepest = 0;
    int ticks = 0;
    QObject::connect(&timer, &IntervalTimer::timeout, [&] {
        ++ticks;
        deepest = std::max(deepest, ++depth);
        if (ticks == 1)
            runEventsFor(50);
        --depth;
    });
    timer.start();
    runEventsFor(150);
    EXPECT_EQ(deepest, 1);
    EXPECT_GT(ticks, 3);
}

TEST(IntervalTimer, NewIntervalRestartsARunningTimerAndZeroTicksWhenIdle)
{
    IntervalTimer timer;
    int ticks = 0;
    QObject::connect(&timer, &IntervalTimer::timeout, [&] { ++ticks; });
    timer.setInterval(1000);
    timer.start();
    timer.setInterval(10);
    EXPECT_TRUE(timer.isActive());
    runEventsFor(100);
    EXPECT_GT(ticks, 3);

    timer.setInterval(0);
    ticks = 0;
    runEventsFor(20);
    EXPECT_GT(ticks, 3);
}

} // namespace
} // namespace platform
