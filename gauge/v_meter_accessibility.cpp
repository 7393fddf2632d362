#include "v_meter_accessibility.h"

#include "needle_math.h"
#include "v_meter_private.h"

#include <cmath>

namespace gaugix {

namespace {

constexpr double kLowestVolts = 0.0;
constexpr double kHighestVolts = 5.0;

QAccessibleInterface* accessibleGauge(const QString& className, QObject* object)
{
    if (className != QLatin1String(v_meter::staticMetaObject.className()))
        return nullptr;
    auto* gauge = qobject_cast<v_meter*>(object);
    return gauge ? new VMeterAccessible(gauge) : nullptr;
}

// Installed while it lives. One lives from the first gauge until this code goes: at
// exit, or when the library that holds it is unloaded, which ends its static objects.
// It is made after Qt's list of factories (installing makes that list), so it also
// goes before that list at exit.
struct FactoryInstallation {
    FactoryInstallation() { QAccessible::installFactory(&accessibleGauge); }
    ~FactoryInstallation() { QAccessible::removeFactory(&accessibleGauge); }
    FactoryInstallation(const FactoryInstallation&) = delete;
    FactoryInstallation& operator=(const FactoryInstallation&) = delete;
};

} // namespace

VMeterAccessible::VMeterAccessible(v_meter* gauge)
    // A value shown by a turning needle is a dial; the AT-SPI bridge gives it the dial
    // role, which screen readers read out with its value.
    : QAccessibleWidget(gauge, QAccessible::Dial)
{
}

const v_meter& VMeterAccessible::gauge() const
{
    return *static_cast<const v_meter*>(widget());
}

void* VMeterAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::ValueInterface)
        return static_cast<QAccessibleValueInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

QString VMeterAccessible::text(QAccessible::Text kind) const
{
    if (kind == QAccessible::Value)
        return v_meterPrivate::of(gauge()).readout();
    const QString text = QAccessibleWidget::text(kind);
    if (kind == QAccessible::Name && text.isEmpty())
        return QStringLiteral("Voltmetro");
    return text;
}

QAccessible::State VMeterAccessible::state() const
{
    QAccessible::State state = QAccessibleWidget::state();
    state.readOnly = true;
    return state;
}

QVariant VMeterAccessible::currentValue() const
{
    return voltsShown(gauge());
}

void VMeterAccessible::setCurrentValue(const QVariant&)
{
}

QVariant VMeterAccessible::maximumValue() const
{
    return kHighestVolts;
}

QVariant VMeterAccessible::minimumValue() const
{
    return kLowestVolts;
}

QVariant VMeterAccessible::minimumStepSize() const
{
    return 0.0;
}

double voltsShown(const v_meter& gauge)
{
    const double volts = std::round(valueAtAngle(v_meterPrivate::of(gauge).needleAngle(), kPigreco) * 100.0) / 100.0;
    return volts == 0.0 ? 0.0 : volts;  // never "-0"
}

void installAccessibility()
{
    static const FactoryInstallation installation;
    (void)installation;
}

void announceReading(v_meter& gauge)
{
    if (!QAccessible::isActive())  // no assistive technology listens: nothing to do
        return;
    QAccessibleValueChangeEvent changed(&gauge, voltsShown(gauge));
    QAccessible::updateAccessibility(&changed);
}

} // namespace gaugix
