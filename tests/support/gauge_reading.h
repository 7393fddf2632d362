#pragma once
// What a gauge shows, read the way assistive technology reads it: the readout as its text,
// the needle's reading in volts as its value.

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QLocale>
#include <QString>
#include <QWidget>

inline QString gaugeReadout(QWidget* gauge)
{
    QAccessibleInterface* shown = gauge ? QAccessible::queryAccessibleInterface(gauge) : nullptr;
    return shown ? shown->text(QAccessible::Value) : QStringLiteral("(not accessible)");
}

// What a readout shows for `volts` in the user's locale: "5.00", or "5,00" where decimals
// are written with a comma, as the gauge itself formats it.
inline QString localReadout(double volts)
{
    return QLocale().toString(volts, 'f', 2);
}

inline double gaugeVolts(QWidget* gauge)
{
    QAccessibleInterface* shown = gauge ? QAccessible::queryAccessibleInterface(gauge) : nullptr;
    QAccessibleValueInterface* value = shown ? shown->valueInterface() : nullptr;
    return value ? value->currentValue().toDouble() : -1000.0;
}
