// The gauge as assistive technology reads it, in process.
#include "gauge/v_meter_private.h"
#include "tests/support/default_locale.h"
#include "accessibility_events.h"

#include <QAccessible>
#include <QLocale>
#include <gtest/gtest.h>

#include <limits>

namespace gaugix {
namespace {

TEST(VMeterAccessibility, ReadOnlyDialWhoseValueAndTextAreTheReadout)
{
    DefaultLocale comma(QLocale(QLocale::Italian, QLocale::Italy));
    v_meter gauge;
    QAccessibleInterface* gaugeFace = QAccessible::queryAccessibleInterface(&gauge);
    ASSERT_TRUE(gaugeFace && gaugeFace->valueInterface());
    QAccessibleValueInterface* value = gaugeFace->valueInterface();
    EXPECT_EQ(gaugeFace->role(), QAccessible::Dial);
    EXPECT_TRUE(gaugeFace->state().readOnly);
    EXPECT_EQ(gaugeFace->text(QAccessible::Name), "Voltmetro");
    gauge.setAccessibleName(QStringLiteral("Ingresso analogico 2"));
    EXPECT_EQ(gaugeFace->text(QAccessible::Name), "Ingresso analogico 2");
    EXPECT_EQ(value->minimumValue().toDouble(), 0.0);
    EXPECT_EQ(value->maximumValue().toDouble(), 5.0);
    EXPECT_EQ(value->minimumStepSize().toDouble(), 0.0);

    // Every reading the card can send: the value is the voltage the readout shows.
    for (int raw = 0; raw <= 255; ++raw) {
        gauge.setValue(raw * 5 / 255.0);
        ASSERT_EQ(gaugeFace->text(QAccessible::Value), v_meterPrivate::of(gauge).readout());
        ASSERT_EQ(value->currentValue().toDouble(), QLocale().toDouble(v_meterPrivate::of(gauge).readout())) << raw;
    }
    EXPECT_EQ(gaugeFace->text(QAccessible::Value), "5,00");
    gauge.setValue(-0.001);
    EXPECT_EQ(QString::number(value->currentValue().toDouble()), "0");  // not "-0"

    value->setCurrentValue(3.0);  // read-only: nothing moves
    EXPECT_EQ(v_meterPrivate::of(gauge).readout(), "0,00");
    EXPECT_EQ(value->currentValue().toDouble(), 0.0);
}

TEST(VMeterAccessibility, ValueChangeIsAnnouncedOnlyWhenTheReadingChanges)
{
    v_meter gauge;
    AccessibilityEvents events;
    const auto announced = [&] {
        QList<double> values;
        for (const auto& event : events.of(QAccessible::ValueChanged, &gauge))
            values << event.value.toDouble();
        events.clear();
        return values;
    };
    gauge.setValue(2.5);
    EXPECT_EQ(announced(), QList<double>{2.5});
    gauge.setValue(2.5);
    gauge.setValue(2.501);  // the needle moves a little, the readout stays "2.50"
    gauge.setValue(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(announced(), QList<double>{});
    gauge.setValue(128 * 5 / 255.0);
    EXPECT_EQ(announced(), QList<double>{2.51});
}

} // namespace
} // namespace gaugix
