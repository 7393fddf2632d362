#pragma once
// What the service tells systemd (Type=notify), through libsystemd's sd_notify: READY=1
// once it runs and is on its bus, STATUS= with the card's state in words as it changes,
// WATCHDOG=1 while it is alive when the unit asks for it (WatchdogSec=), STOPPING=1 as it
// ends. Nothing is sent where systemd did not start it (no NOTIFY_SOCKET).

#include <QString>

#include <chrono>

class SystemdNotify {
public:
    using Clock = std::chrono::steady_clock;

    SystemdNotify();

    void ready(const QString& status);
    // Sent only when it differs from the last.
    void status(const QString& status);
    // The service is alive: called at every poll's time, so a hung event loop goes
    // unheard and systemd restarts it. WATCHDOG=1 goes at most once every half of the
    // unit's period; between two, a call only reads the clock.
    void watchdog();
    void stopping();

private:
    static void send(const QString& text);

    QString last_;
    Clock::duration watchdogEvery_{};  // zero: the unit has no watchdog
    Clock::time_point watchdogSent_;
};
