#include "window_on_bus.h"

#include "form1.h"

#include "card_bus/bus_address.h"
#include "card_bus/card_bus_service.h"

#include <QDBusError>
#include <cstdio>

namespace panel {

void connectWindowToService(Form1& window, card_bus::CardBusService& service)
{
    QObject::connect(&window, &Form1::cardShown, &service, [&] { service.show(window.shownCard()); });
    service.show(window.shownCard());
}

void offerOnSessionBus(card_bus::CardBusService& service)
{
    const QString address = card_bus::sessionBusAddress();
    if (address.isEmpty())
        return;
    const QDBusConnection bus = QDBusConnection::connectToBus(address, QStringLiteral("pelmora"));
    QString problem;
    if (!bus.isConnected())
        problem = bus.lastError().message();
    else if (!service.publish(bus, card_bus::CardBusService::panelInstanceName(), true))
        problem = service.error();
    if (!problem.isEmpty())
        std::fprintf(stderr, "pelmora: il pannello non è raggiungibile sul bus di sessione (%s): pelmora-ctl non lo "
                             "troverà.\n",
                     qPrintable(problem));
}

} // namespace panel
