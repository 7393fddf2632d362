#pragma once
// What the service tells systemd (Type=notify), through libsystemd's sd_notify: READY=1
// once it runs and is on its bus, STATUS= with the card's state in words as it changes,
// STOPPING=1 as it ends. Nothing is sent where systemd did not start it (no NOTIFY_SOCKET).

#include <QString>

class SystemdNotify {
public:
    void ready(const QString& status);
    // Sent only when it differs from the last.
    void status(const QString& status);
    void stopping();

private:
    static void send(const QString& text);

    QString last_;
};
