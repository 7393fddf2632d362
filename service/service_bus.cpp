#include "service_bus.h"

#include "card_bus/bus_address.h"
#include "card_bus/card_bus_names.h"

#include <QDBusError>

QString offerOnBus(card_bus::CardBusService& face, const QString& cardName, bool systemBus)
{
    const QString which = systemBus ? QStringLiteral("system") : QStringLiteral("session");
    const QString address = systemBus ? card_bus::systemBusAddress() : card_bus::sessionBusAddress();
    if (address.isEmpty())
        return QStringLiteral("there is no %1 bus: pelmora-ctl will not find the card").arg(which);
    const QDBusConnection bus = QDBusConnection::connectToBus(address, QStringLiteral("pelmorad"));
    QString problem;
    if (!bus.isConnected())
        problem = bus.lastError().message();
    else if (!face.publish(bus, card_bus::serviceBusName(cardName), false))
        problem = face.error();
    if (problem.isEmpty())
        return {};
    return QStringLiteral("the card is not on the %1 bus (%2): pelmora-ctl will not find it").arg(which, problem);
}
