#include "systemd_notify.h"

#include <systemd/sd-daemon.h>

namespace {

// A status on one line: a newline would start another assignment.
QString statusLine(const QString& status)
{
    return QStringLiteral("STATUS=") + QString(status).replace(QLatin1Char('\n'), QLatin1Char(' '));
}

} // namespace

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

void SystemdNotify::stopping()
{
    // systemd keeps the last status after the end: it must not say "polling" then.
    send(QStringLiteral("STOPPING=1\nSTATUS=stopped: the card is no longer polled"));
}
