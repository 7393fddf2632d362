#include "private_session_bus.h"

#include "card_and_panel_processes.h"

#include <QStandardPaths>

PrivateSessionBus::PrivateSessionBus()
{
    const QString program = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
    if (program.isEmpty()) {
        missing_ = true;
        error_ = QStringLiteral("dbus-daemon is not installed (scripts/install-deps.sh installs it)");
        return;
    }
    // Its socket lives in the folder, which goes with it.
    daemon_.start(program, {"--session", "--nofork", "--print-address=1",
                            "--address=unix:path=" + folder_.filePath(QStringLiteral("bus"))});
    if (daemon_.waitForStarted(3000) && daemon_.waitForReadyRead(5000))
        address_ = QString::fromLocal8Bit(daemon_.readLine()).trimmed();
    if (address_.isEmpty()) {
        error_ = QStringLiteral("dbus-daemon did not start: %1").arg(QString::fromLocal8Bit(daemon_.readAllStandardError()));
        endProcess(daemon_);
        return;
    }
    hadAddress_ = qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS");
    oldAddress_ = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    qputenv("DBUS_SESSION_BUS_ADDRESS", address_.toLocal8Bit());
    hadSystemAddress_ = qEnvironmentVariableIsSet("DBUS_SYSTEM_BUS_ADDRESS");
    oldSystemAddress_ = qgetenv("DBUS_SYSTEM_BUS_ADDRESS");
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=" + folder_.filePath(QStringLiteral("no-system-bus")).toLocal8Bit());
}

PrivateSessionBus::~PrivateSessionBus()
{
    if (!address_.isEmpty()) {
        if (hadAddress_)
            qputenv("DBUS_SESSION_BUS_ADDRESS", oldAddress_);
        else
            qunsetenv("DBUS_SESSION_BUS_ADDRESS");
        if (hadSystemAddress_)
            qputenv("DBUS_SYSTEM_BUS_ADDRESS", oldSystemAddress_);
        else
            qunsetenv("DBUS_SYSTEM_BUS_ADDRESS");
    }
    endProcess(daemon_);
}
