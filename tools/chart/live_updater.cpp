#include "live_updater.h"

#include <QCoreApplication>

#include <algorithm>

LiveUpdater::LiveUpdater(LiveFeed& feed, LiveTrace& trace, std::function<void()> redraw)
    : feed_(feed), trace_(trace), redraw_(std::move(redraw)), notifier_(feed.fd(), QSocketNotifier::Read)
{
    QObject::connect(&notifier_, &QSocketNotifier::activated, [this] { takeWaiting(); });
    timer_.setSingleShot(true);
    QObject::connect(&timer_, &QTimer::timeout, [this] { redrawNow(); });
    sinceRedraw_.start();
    timer_.start(kIdleMs);
}

void LiveUpdater::takeWaiting()
{
    std::uint64_t leftOut = 0;
    const std::vector<TapRow> rows = feed_.take(&leftOut);
    leftOut_ += leftOut;
    if (feed_.ended()) {
        notifier_.setEnabled(false);
        QCoreApplication::quit();
        return;
    }
    if (rows.empty() && leftOut == 0)
        return;
    for (const TapRow& row : rows)
        trace_.add(row);
    const int due = static_cast<int>(std::max<qint64>(0, kRedrawMs - sinceRedraw_.elapsed()));
    if (!timer_.isActive() || timer_.remainingTime() > due)
        timer_.start(due);
}

void LiveUpdater::redrawNow()
{
    sinceRedraw_.restart();
    redraw_();
    timer_.start(kIdleMs);
}
