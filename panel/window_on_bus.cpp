#include "window_on_bus.h"

#include "card_bus_service.h"
#include "form1.h"

#include "card_bus/session_bus.h"

#include <QDBusError>
#include <cstdio>

namespace panel {

void connectWindowToService(Form1& window, CardBusService& service)
{
    QObject::connect(&window, &Form1::cardShown, &service, [&] { service.show(window.shownCard()); });
    QObject::connect(&service, &CardBusService::toggleRequested, &window, &Form1::onoff_Click);
    QObject::connect(&service, &CardBusService::switchRequested, &window, &Form1::switchOutput);
    QObject::connect(&service, &CardBusService::outputsRequested, &window, &Form1::setOutputs);
    service.show(window.shownCard());
}

void offerOnSessionBus(CardBusService& service)
{
    const QString address = card_bus::sessionBusAddress();
    if (address.isEmpty())
        return;
    const QDBusConnection bus = QDBusConnection::connectToBus(address, QStringLiteral("pelmora"));
    QString problem;
    if (!bus.isConnected())
        problem = bus.lastError().message();
    else if (!service.publish(bus))
        problem = service.error();
    if (!problem.isEmpty())
        std::fprintf(stderr, "pelmora: il pannello non è raggiungibile sul bus di sessione (%s): pelmora-ctl non lo "
                             "troverà.\n",
                     qPrintable(problem));
}

} // namespace panel
