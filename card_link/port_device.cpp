#include "port_device.h"

#include "port_name.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSerialPortInfo>

#include <mutex>
#include <sys/stat.h>

namespace card_link {
namespace {

// Device path (resolved) to its name under /dev/serial/by-id.
QHash<QString, QString> stableNames()
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

bool adapterName(const QString& portName)
{
    return portName.startsWith(QLatin1String("ttyUSB")) || portName.startsWith(QLatin1String("ttyACM"));
}

QList<PresentPort> listPorts()
{
    const QHash<QString, QString> names = stableNames();
    QList<PresentPort> ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        PresentPort port;
        port.device = info.systemLocation();
        port.description = info.description();
        port.manufacturer = info.manufacturer();
        const QString canonical = QFileInfo(port.device).canonicalFilePath();
        port.stableName = names.value(canonical.isEmpty() ? port.device : canonical);
        port.usb = adapterName(info.portName()) || !port.stableName.isEmpty();
        ports.append(port);
    }
    return ports;
}

// When a device node comes or goes, the directory that holds it changes.
QList<qint64> deviceDirectoriesStamp()
{
    QList<qint64> stamp;
    for (const char* directory : {"/dev", "/dev/serial/by-id"}) {
        struct stat status {};
        stamp << (::stat(directory, &status) == 0 ? status.st_mtim.tv_sec * 1000000000LL + status.st_mtim.tv_nsec : -1);
    }
    return stamp;
}

} // namespace

QList<PresentPort> presentPorts()
{
    // Listing the ports reads much of /sys (milliseconds); a port pulled and
    // retried once a second would pay that every time. The list is taken again
    // only when a device node has come or gone since.
    static std::mutex guard;
    static QList<qint64> stamp;
    static QList<PresentPort> ports;
    const std::lock_guard<std::mutex> lock(guard);
    const QList<qint64> now = deviceDirectoriesStamp();
    if (now != stamp || now.first() == -1) {
        ports = listPorts();
        stamp = now;
    }
    return ports;
}

MappedPort currentPort(int number)
{
    return mapPort(number, presentPorts(), QProcessEnvironment::systemEnvironment());
}

QString deviceForPort(int number)
{
    // A port that the environment names opens without the list of ports, which costs
    // the start of the panel milliseconds.
    const QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!environment.value(portVariable(number)).isEmpty())
        return mapPort(number, {}, environment).device;
    return currentPort(number).device;
}

QString resolveDevice(const QString& name)
{
    const int number = comNumber(name);
    return number != 0 ? deviceForPort(number) : pathOfDevice(name);
}

} // namespace card_link
