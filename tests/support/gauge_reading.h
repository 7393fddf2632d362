#pragma once
// What a gauge shows, read the way assistive technology reads it: the readout as its text,
// the needle's reading in volts as its value.

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QString>
#include <QWidget>

inline QString gaugeReadout(QWidget* gauge)
{
    QAccessibleInterface* shown = gauge ? QAccessible::queryAccessibleInterface(gauge) : nullptr;
    return shown ? shown->text(QAccessible::Value) : QStringLiteral("(not accessible)");
}

inline double gaugeVolts(QWidget* gauge)
{
    QAccessibleInterface* shown = gauge ? QAccessible::queryAccessibleInterface(gauge) : nullptr;
    QAccessibleValueInterface* value = shown ? shown->valueInterface() : nullptr;
    return value ? value->currentValue().toDouble() : -1000.0;
}
