#include "port_map.h"

#include "port_name.h"

#include <algorithm>

namespace card_link {
namespace {

// "ttyS10" after "ttyS2": the trailing numbers compare as numbers.
bool deviceNameLess(const QString& a, const QString& b)
{
    auto split = [](const QString& name) {
        qsizetype digits = name.size();
        while (digits > 0 && name.at(digits - 1).isDigit())
            --digits;
        bool ok = false;
        const qulonglong number = name.mid(digits).toULongLong(&ok);
        return std::make_pair(name.left(digits), ok ? number : 0ULL);
    };
    const auto [stemA, numberA] = split(a);
    const auto [stemB, numberB] = split(b);
    if (stemA != stemB)
        return stemA < stemB;
    if (numberA != numberB)
        return numberA < numberB;
    return a < b;
}

QString sortName(const PresentPort& port)
{
    return port.usb && !port.stableName.isEmpty() ? port.stableName : port.device;
}

} // namespace

QString portVariable(int number)
{
    return QStringLiteral("PELMORA_COM%1").arg(number);
}

QList<PresentPort> numberedOrder(QList<PresentPort> ports)
{
    std::stable_sort(ports.begin(), ports.end(), [](const PresentPort& a, const PresentPort& b) {
        if (a.usb != b.usb)
            return a.usb;
        return deviceNameLess(sortName(a), sortName(b));
    });
    return ports;
}

MappedPort mapPort(int number, const QList<PresentPort>& present, const QProcessEnvironment& environment)
{
    MappedPort mapped;
    const QString named = environment.value(portVariable(number));
    const QList<PresentPort> ordered = numberedOrder(present);
    if (!named.isEmpty()) {
        mapped.source = MappedPort::Source::Environment;
        mapped.device = pathOfDevice(named);
        for (const PresentPort& port : ordered) {
            if (port.device == mapped.device)
                mapped.description = port.description;
        }
        return mapped;
    }
    if (number < 1 || number > ordered.size())
        return mapped;
    const PresentPort& port = ordered.at(number - 1);
    mapped.source = MappedPort::Source::Machine;
    mapped.device = port.device;
    mapped.description = port.description;
    return mapped;
}

} // namespace card_link
