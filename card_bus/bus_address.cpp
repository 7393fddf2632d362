#include "bus_address.h"

#include <QFileInfo>

#include <unistd.h>

namespace card_bus {
namespace {

QString socketAddress(const QString& path)
{
    // A socket is neither a file nor a folder to QFileInfo.
    const QFileInfo socket(path);
    if (!socket.exists() || socket.isFile() || socket.isDir())
        return {};
    return QStringLiteral("unix:path=") + path;
}

} // namespace

QString sessionBusAddress()
{
    if (qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS"))
        return qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS");
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty())
        return socketAddress(runtime + QStringLiteral("/bus"));
    return socketAddress(QStringLiteral("/run/user/%1/bus").arg(getuid()));
}

QString systemBusAddress()
{
    if (qEnvironmentVariableIsSet("DBUS_SYSTEM_BUS_ADDRESS"))
        return qEnvironmentVariable("DBUS_SYSTEM_BUS_ADDRESS");
    return socketAddress(QStringLiteral("/run/dbus/system_bus_socket"));
}

} // namespace card_bus
