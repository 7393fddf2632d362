#include "port_map.h"

#include "port_name.h"

#include <algorithm>

namespace card_link {
namespace {

// "ttyS10" after "ttyS2": the trailing numbers compare as numbers.
bool device_name_less(const QString& a, const QString& b)
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

QString sort_name(const PresentPort& port)
{
    return port.usb && !port.stableName.isEmpty() ? port.stableName : port.device;
}

} // namespace

QString port_variable(int number)
{
    return QStringLiteral("PELMORA_COM%1").arg(number);
}

QList<PresentPort> numbered_order(QList<PresentPort> ports)
{
    std::stable_sort(ports.begin(), ports.end(), [](const PresentPort& a, const PresentPort& b) {
        if (a.usb != b.usb)
            return a.usb;
        return device_name_less(sort_name(a), sort_name(b));
    });
    return ports;
}

MappedPort map_port(int number, const QList<PresentPort>& present, const QProcessEnvironment& environment)
{
    MappedPort mapped;
    const QString named = environment.value(port_variable(number));
    const QList<PresentPort> ordered = numbered_order(present);
    if (!named.isEmpty()) {
        mapped.source = MappedPort::Source::Environment;
        mapped.device = device_path(named);
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
