#pragma once
// A session bus of the test's own: a dbus-daemon listening in a temporary folder,
// named by DBUS_SESSION_BUS_ADDRESS for every program the test starts while this
// lives. The daemon is ended and the variable put back when it goes. The machine's own
// system bus is out of the test's sight meanwhile: DBUS_SYSTEM_BUS_ADDRESS names a socket
// that is not there.

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

class PrivateSessionBus {
public:
    PrivateSessionBus();
    ~PrivateSessionBus();
    PrivateSessionBus(const PrivateSessionBus&) = delete;
    PrivateSessionBus& operator=(const PrivateSessionBus&) = delete;

    // Empty once the daemon runs; otherwise why not (missing() when not installed).
    QString error() const { return error_; }
    bool missing() const { return missing_; }
    QString address() const { return address_; }

private:
    QTemporaryDir folder_;
    QProcess daemon_;
    QString address_;
    QString error_;
    bool missing_ = false;
    bool hadAddress_ = false;
    QByteArray oldAddress_;
    bool hadSystemAddress_ = false;
    QByteArray oldSystemAddress_;
};
