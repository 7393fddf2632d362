#include "card_values.h"

#include "card_bus/card_bus_names.h"

#include <QDBusArgument>
#include <QDBusMetaType>

using namespace card_bus;

namespace {

QString hexByte(const QVariant& value)
{
    return QStringLiteral("0x%1").arg(value.toUInt(), 2, 16, QLatin1Char('0'));
}

QString volts(const QVariant& value)
{
    return QString::number(value.toDouble(), 'f', 3);
}

// The seconds left of each timed output that is on: " output3_off_in=1195".
QString timesLeft(const QVariantMap& p)
{
    QString words;
    const QList<int> offIn = qdbus_cast<QList<int>>(p.value(kOffIn));
    for (qsizetype i = 0; i < offIn.size(); ++i) {
        if (offIn.at(i) >= 0)
            words += QStringLiteral(" output%1_off_in=%2").arg(i + 1).arg(offIn.at(i));
    }
    return words;
}

// The same as an object by output: {"3": 1195}.
QJsonObject offInJson(const QVariantMap& p)
{
    QJsonObject left;
    const QList<int> offIn = qdbus_cast<QList<int>>(p.value(kOffIn));
    for (qsizetype i = 0; i < offIn.size(); ++i) {
        if (offIn.at(i) >= 0)
            left.insert(QString::number(i + 1), offIn.at(i));
    }
    return left;
}

} // namespace

QString cardText(const QVariantMap& p)
{
    QString device = p.value(kDevice).toString();
    device.replace(QLatin1Char(' '), QLatin1String("\\x20"));  // one word, whatever the name
    return QStringLiteral("outputs=%1 inputs=%2 analog1=%3 analog2=%4 analog1_raw=%5 analog2_raw=%6 port=%7 "
                          "device=%8 connected=%9 name=%10")
        .arg(hexByte(p.value(kOutputs)), hexByte(p.value(kInputs)), volts(p.value(kAnalog1Volts)),
             volts(p.value(kAnalog2Volts)), QString::number(p.value(kAnalog1Raw).toUInt()),
             QString::number(p.value(kAnalog2Raw).toUInt()), p.value(kPort).toString(), device,
             p.value(kConnected).toBool() ? QStringLiteral("yes") : QStringLiteral("no"))
        .arg(p.value(kName).toString())
        + timesLeft(p);
}

QJsonObject cardJson(const QVariantMap& p)
{
    return {
        {QStringLiteral("outputs"), qint64(p.value(kOutputs).toUInt())},
        {QStringLiteral("inputs"), qint64(p.value(kInputs).toUInt())},
        {QStringLiteral("analog1"), volts(p.value(kAnalog1Volts)).toDouble()},
        {QStringLiteral("analog2"), volts(p.value(kAnalog2Volts)).toDouble()},
        {QStringLiteral("analog1_raw"), qint64(p.value(kAnalog1Raw).toUInt())},
        {QStringLiteral("analog2_raw"), qint64(p.value(kAnalog2Raw).toUInt())},
        {QStringLiteral("port"), p.value(kPort).toString()},
        {QStringLiteral("device"), p.value(kDevice).toString()},
        {QStringLiteral("connected"), p.value(kConnected).toBool()},
        {QStringLiteral("name"), p.value(kName).toString()},
        {QStringLiteral("off_in"), offInJson(p)},
    };
}

bool connected(const QVariantMap& properties)
{
    return properties.value(kConnected).toBool();
}

bool inputOn(const QVariantMap& properties, int input)
{
    return (properties.value(kInputs).toUInt() >> (input - 1)) & 1U;
}
