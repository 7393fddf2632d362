#include "running_panels.h"

#include "ctl_status.h"

#include "card_bus/card_bus_names.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QFileInfo>

QDBusReply<QVariantMap> readValues(QDBusConnection& bus, const QString& service)
{
    QDBusMessage call = QDBusMessage::createMethodCall(service, card_bus::kObjectPath, card_bus::kPropertiesInterface,
                                                       QStringLiteral("GetAll"));
    call << QString(card_bus::kInterface);
    return bus.call(call);
}

QList<RunningPanel> runningPanels(QDBusConnection& bus)
{
    QStringList names = bus.interface()->registeredServiceNames().value();
    names.sort();
    QList<RunningPanel> panels;
    for (const QString& name : names) {
        if (!name.startsWith(card_bus::kInstancePrefix))
            continue;
        const QDBusReply<QVariantMap> values = readValues(bus, name);
        if (values.isValid())
            panels.append({name, values.value().value(card_bus::kPort).toString(),
                           values.value().value(card_bus::kDevice).toString()});
    }
    return panels;
}

bool namesDevice(const QString& name, const QString& device)
{
    if (device.isEmpty())
        return false;
    // A path (/dev/ttyUSB0, ./card) or a name under /dev (ttyUSB0, pts/3), as the tap takes them.
    const bool path_given = name.startsWith(QLatin1Char('/')) || name.startsWith(QLatin1Char('.'));
    const QString path = path_given ? name : QStringLiteral("/dev/") + name;
    if (path == device)
        return true;
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return !canonical.isEmpty() && canonical == QFileInfo(device).canonicalFilePath();
}

PanelChoice choosePanel(const QList<RunningPanel>& panels, const QString& device)
{
    if (panels.isEmpty())
        return {{}, QStringLiteral("no panel is running (start pelmora first)"), kNoPanel};
    QStringList devices;
    for (const RunningPanel& panel : panels) {
        if (!device.isEmpty() && namesDevice(device, panel.device))
            return {panel, {}, kDone};
        devices << (panel.device.isEmpty() ? panel.port : panel.device);
    }
    if (!device.isEmpty())
        return {{}, QStringLiteral("no running panel has the device %1 (running: %2)").arg(device, devices.join(", ")),
                kNoPanel};
    if (panels.size() == 1)
        return {panels.first(), {}, kDone};
    return {{}, QStringLiteral("%1 panels are running (%2): choose one with --device").arg(panels.size()).arg(devices.join(", ")),
            kUsage};
}
