#pragma once
// What assistive technology (a screen reader, through the desktop's accessibility bus)
// learns about a gauge: its name, its reading as a value in volts and as the readout's
// text, and each change of the reading.

#include <QAccessibleValueInterface>
#include <QAccessibleWidget>

namespace gaugix {

class v_meter;

// A gauge as assistive technology sees it: a read-only dial whose value is the voltage
// shown. The name is the one the host gave the widget (setAccessibleName), otherwise
// "Voltmetro".
class VMeterAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit VMeterAccessible(v_meter* gauge);

    void* interface_cast(QAccessible::InterfaceType type) override;
    QString text(QAccessible::Text kind) const override;
    QAccessible::State state() const override;

    QVariant currentValue() const override;
    void setCurrentValue(const QVariant& value) override;  // the gauge is read-only: ignored
    QVariant maximumValue() const override;
    QVariant minimumValue() const override;
    QVariant minimumStepSize() const override;

private:
    const v_meter& gauge() const;
};

// The voltage a gauge shows, to the readout's hundredths, read back from its needle.
double voltsShown(const v_meter& gauge);

// Makes every gauge created from now on answer as a VMeterAccessible. Done once; the
// answer is withdrawn again when this code is unloaded, so that no one calls into a
// library that is gone.
void installAccessibility();

// Tells assistive technology that the gauge's reading has changed; costs nothing while
// none listens.
void announceReading(v_meter& gauge);

} // namespace gaugix
