#pragma once
// A bus of the test's own: a dbus-daemon listening in a temporary folder, named by
// DBUS_SESSION_BUS_ADDRESS or DBUS_SYSTEM_BUS_ADDRESS for every program the test starts
// while it lives. The daemon is ended and the variables put back when it goes.
//
// The session bus hides the machine's own system bus meanwhile: DBUS_SYSTEM_BUS_ADDRESS
// names a socket that is not there. The system bus has the usual system policy (calls
// denied unless a policy allows them) with a policy file included, and its socket is in a
// folder that every user can reach, so that the test can call it as another user.

#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

class PrivateBus {
public:
    ~PrivateBus();
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    // Empty once the daemon runs; otherwise why not (missing() when not installed).
    QString error() const { return error_; }
    bool missing() const { return missing_; }
    QString address() const { return address_; }

protected:
    PrivateBus() = default;
    // Starts dbus-daemon with `arguments` and names its address in `variable`.
    void start(const QStringList& arguments, const char* variable);
    // Sets `variable` for as long as this lives.
    void setVariable(const char* variable, const QByteArray& value);

    QTemporaryDir folder_;

private:
    struct Saved {
        const char* name;
        bool wasSet;
        QByteArray value;
    };
    QProcess daemon_;
    QString address_;
    QString error_;
    bool missing_ = false;
    QList<Saved> saved_;
};

class PrivateSessionBus : public PrivateBus {
public:
    PrivateSessionBus();
};

class PrivateSystemBus : public PrivateBus {
public:
    // `policy`: a bus policy file, included in the bus's configuration.
    explicit PrivateSystemBus(const QString& policy);
};

// A session bus of the test's own, or the test skipped where dbus-daemon is missing.
#define START_PRIVATE_BUS(bus)                     \
    PrivateSessionBus bus;                         \
    if (bus.missing())                             \
        GTEST_SKIP() << bus.error().toStdString(); \
    ASSERT_TRUE(bus.error().isEmpty()) << bus.error().toStdString()
