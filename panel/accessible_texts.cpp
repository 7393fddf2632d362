#include "accessible_texts.h"

#include <QWidget>

namespace panel {

QString stateWord(bool on)
{
    return on ? QStringLiteral("acceso") : QStringLiteral("spento");
}

QString outputIndicatorName(int channel, bool on)
{
    return QStringLiteral("Interruttore %1: %2").arg(channel + 1).arg(stateWord(on));
}

QString inputLedName(int channel, bool lit)
{
    return QStringLiteral("Signal In %1: %2").arg(channel + 1).arg(stateWord(lit));
}

void giveAccessibleName(QWidget* widget, const QString& name)
{
    if (widget->accessibleName() != name)
        widget->setAccessibleName(name);
}

void giveAccessibleDescription(QWidget* widget, const QString& description)
{
    if (widget->accessibleDescription() != description)
        widget->setAccessibleDescription(description);
}

} // namespace panel
