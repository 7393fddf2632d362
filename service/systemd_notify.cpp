#include "systemd_notify.h"

#include <systemd/sd-daemon.h>

namespace {

// A status on one line: a newline would start another assignment.
QString statusLine(const QString& status)
{
    return QStringLiteral("STATUS=") + QString(status).replace(QLatin1Char('\n'), QLatin1Char(' '));
}

} // namespace

SystemdNotify::SystemdNotify() : watchdogSent_(Clock::now())
{
    // Read once: WATCHDOG_USEC does not change while the service runs.
    uint64_t period = 0;
    if (sd_watchdog_enabled(0, &period) > 0)
        watchdogEvery_ = std::chrono::duration_cast<Clock::duration>(std::chrono::microseconds(period / 2));
}

void SystemdNotify::send(const QString& text)
{
    sd_notify(0, text.toUtf8().constData());
}

void SystemdNotify::ready(const QString& status)
{
    last_ = status;
    send(QStringLiteral("READY=1\n") + statusLine(status));
}

void SystemdNotify::status(const QString& status)
{
    if (status == last_)
        return;
    last_ = status;
    send(statusLine(status));
}

void SystemdNotify::watchdog()
{
    if (watchdogEvery_ == Clock::duration::zero())
        return;
    const Clock::time_point now = Clock::now();
    if (now - watchdogSent_ < watchdogEvery_)
        return;
    watchdogSent_ = now;
    sd_notify(0, "WATCHDOG=1");
}

void SystemdNotify::stopping()
{
    // systemd keeps the last status after the end: it must not say "polling" then.
    send(QStringLiteral("STOPPING=1\nSTATUS=stopped: the card is no longer polled"));
}
