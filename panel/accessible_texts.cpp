#include "accessible_texts.h"

#include <QWidget>

namespace panel {

QString state_word(bool on)
{
    return on ? QStringLiteral("acceso") : QStringLiteral("spento");
}

QString output_indicator_name(int channel, bool on)
{
    return QStringLiteral("Interruttore %1: %2").arg(channel + 1).arg(state_word(on));
}

QString input_led_name(int channel, bool lit)
{
    return QStringLiteral("Signal In %1: %2").arg(channel + 1).arg(state_word(lit));
}

void set_accessible_name(QWidget* widget, const QString& name)
{
    if (widget->accessibleName() != name)
        widget->setAccessibleName(name);
}

void set_accessible_description(QWidget* widget, const QString& description)
{
    if (widget->accessibleDescription() != description)
        widget->setAccessibleDescription(description);
}

} // namespace panel
