#include "port_device.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSerialPortInfo>

namespace card_link {
namespace {

// Device path (resolved) to its name under /dev/serial/by-id.
QHash<QString, QString> stable_names()
{
    QHash<QString, QString> names;
    const QDir byId(QStringLiteral("/dev/serial/by-id"));
    for (const QFileInfo& link : byId.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot)) {
        const QString target = link.canonicalFilePath();
        if (!target.isEmpty())
            names.insert(target, link.fileName());
    }
    return names;
}

bool adapter_name(const QString& portName)
{
    return portName.startsWith(QLatin1String("ttyUSB")) || portName.startsWith(QLatin1String("ttyACM"));
}

} // namespace

QList<PresentPort> present_ports()
{
    const QHash<QString, QString> names = stable_names();
    QList<PresentPort> ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        PresentPort port;
        port.device = info.systemLocation();
        port.description = info.description();
        port.manufacturer = info.manufacturer();
        const QString canonical = QFileInfo(port.device).canonicalFilePath();
        port.stableName = names.value(canonical.isEmpty() ? port.device : canonical);
        port.usb = adapter_name(info.portName()) || !port.stableName.isEmpty();
        ports.append(port);
    }
    return ports;
}

MappedPort current_port(int number)
{
    return map_port(number, present_ports(), QProcessEnvironment::systemEnvironment());
}

QString device_for_port(int number)
{
    return current_port(number).device;
}

} // namespace card_link
