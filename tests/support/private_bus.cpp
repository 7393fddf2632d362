#include "private_bus.h"

#include "card_and_panel_processes.h"

#include <QFile>
#include <QStandardPaths>

#include <sys/stat.h>

namespace {

// The system bus's usual default policy: anyone may connect and talk to the bus itself;
// owning names and calling methods are denied unless a policy file allows them.
const char* const kSystemConfiguration = R"(<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-BUS Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <listen>unix:path=%1</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/>
    <deny own="*"/>
    <deny send_type="method_call"/>
    <allow send_type="signal"/>
    <allow send_requested_reply="true" send_type="method_return"/>
    <allow send_requested_reply="true" send_type="error"/>
    <allow receive_type="method_call"/>
    <allow receive_type="method_return"/>
    <allow receive_type="error"/>
    <allow receive_type="signal"/>
    <allow send_destination="org.freedesktop.DBus" send_interface="org.freedesktop.DBus"/>
    <allow send_destination="org.freedesktop.DBus" send_interface="org.freedesktop.DBus.Introspectable"/>
  </policy>
  <include>%2</include>
</busconfig>
)";

} // namespace

PrivateBus::~PrivateBus()
{
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
        if (it->wasSet)
            qputenv(it->name, it->value);
        else
            qunsetenv(it->name);
    }
    endProcess(daemon_);
}

void PrivateBus::setVariable(const char* variable, const QByteArray& value)
{
    saved_.push_back({variable, qEnvironmentVariableIsSet(variable), qgetenv(variable)});
    qputenv(variable, value);
}

void PrivateBus::start(const QStringList& arguments, const char* variable)
{
    const QString program = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
    if (program.isEmpty()) {
        missing_ = true;
        error_ = QStringLiteral("dbus-daemon is not installed (scripts/install-deps.sh installs it)");
        return;
    }
    daemon_.start(program, QStringList{"--nofork", "--print-address=1"} + arguments);
    if (daemon_.waitForStarted(3000) && daemon_.waitForReadyRead(5000))
        address_ = QString::fromLocal8Bit(daemon_.readLine()).trimmed();
    if (address_.isEmpty()) {
        error_ = QStringLiteral("dbus-daemon did not start: %1").arg(QString::fromLocal8Bit(daemon_.readAllStandardError()));
        endProcess(daemon_);
        return;
    }
    setVariable(variable, address_.toLocal8Bit());
}

PrivateSessionBus::PrivateSessionBus()
{
    // Its socket lives in the folder, which goes with it.
    start({"--session", "--address=unix:path=" + folder_.filePath(QStringLiteral("bus"))}, "DBUS_SESSION_BUS_ADDRESS");
    if (error().isEmpty())
        setVariable("DBUS_SYSTEM_BUS_ADDRESS",
                    "unix:path=" + folder_.filePath(QStringLiteral("no-system-bus")).toLocal8Bit());
}

PrivateSystemBus::PrivateSystemBus(const QString& policy)
{
    ::chmod(folder_.path().toLocal8Bit().constData(), 0755);
    QFile configuration(folder_.filePath(QStringLiteral("system.conf")));
    if (!configuration.open(QIODevice::WriteOnly))
        return;
    configuration.write(QString::fromLatin1(kSystemConfiguration)
                            .arg(folder_.filePath(QStringLiteral("system_bus_socket")), policy)
                            .toUtf8());
    configuration.close();
    start({"--config-file=" + configuration.fileName()}, "DBUS_SYSTEM_BUS_ADDRESS");
}
