// The window as assistive technology reads it, in process: names, states and values
// that follow the card and the buttons, and change events only when something changed.
#include "panel/form1.h"
#include "fake_serial_port.h"
#include "accessibility_events.h"

#include <QAccessible>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

using panel::Form1;

namespace {

QAccessibleInterface* face(QObject* object)
{
    return QAccessible::queryAccessibleInterface(object);
}

std::string name(QObject* object)
{
    return face(object)->text(QAccessible::Name).toStdString();
}

std::string description(QObject* object)
{
    return face(object)->text(QAccessible::Description).toStdString();
}

QByteArray reply(int inputs, int analog1, int analog2)
{
    return QByteArray(1, char(inputs)) + char(analog1) + char(analog2);
}

struct Form1Accessibility : ::testing::Test {
    FakeSerialPort port;
    Form1 form{&port};

    void SetUp() override
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        qputenv("PELMORA_COM1", "/dev/null");
        form.Form_Load();
        form.Timer1().stop();  // only the exchanges below read the card
    }
    void TearDown() override
    {
        qunsetenv("PELMORA_COM1");
        QLocale::setDefault(QLocale::system());
    }
    void exchange(const QByteArray& answer)
    {
        port.reads << answer;
        form.comunica();
    }
    QObject* gauge(int i) const { return form.v_meter1(i)->widget(); }
};

} // namespace

TEST_F(Form1Accessibility, NamesStatesAndValuesFollowTheCardAndTheButtons)
{
    EXPECT_EQ(name(form.control("Frame5")), "Porta");
    EXPECT_EQ(name(form.control("Frame1(1)")), "Strumento 2");
    EXPECT_EQ(name(form.control("canale(14)")), "Canale 2");
    EXPECT_EQ(description(form.quale_porta(0)), "/dev/null — porta seriale, scelta da PELMORA_COM1");
    EXPECT_EQ(name(form.quale_porta(0)), "Com1");
    for (int i = 0; i < 8; ++i) {
        const std::string n = std::to_string(i + 1);
        EXPECT_EQ(name(form.onoff(i)), "Interruttore " + n + ", On / Off");
        EXPECT_EQ(description(form.onoff(i)), "spento");
        EXPECT_EQ(name(form.led_out(i)), "Interruttore " + n + ": spento");
        EXPECT_EQ(name(form.led_ingresso(i)), "Signal In " + n + ": spento");
    }

    exchange(reply(0x04, 128, 51));
    EXPECT_EQ(name(form.led_ingresso(2)), "Signal In 3: acceso");
    EXPECT_EQ(name(form.led_ingresso(1)), "Signal In 2: spento");
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(face(gauge(i))->role(), QAccessible::Dial);
        EXPECT_EQ(name(gauge(i)), "Ingresso analogico " + std::to_string(i + 1));
    }
    EXPECT_EQ(face(gauge(0))->valueInterface()->currentValue().toDouble(), 2.51);
    EXPECT_EQ(face(gauge(0))->text(QAccessible::Value), "2.51");
    EXPECT_EQ(face(gauge(1))->valueInterface()->currentValue().toDouble(), 1.0);

    form.onoff(2)->click();
    EXPECT_EQ(description(form.onoff(2)), "acceso");
    EXPECT_EQ(name(form.led_out(2)), "Interruttore 3: acceso");
    exchange(reply(0x00, 0, 255));
    EXPECT_EQ(name(form.led_ingresso(2)), "Signal In 3: spento");
    EXPECT_EQ(face(gauge(0))->text(QAccessible::Value), "0.00");
    EXPECT_EQ(face(gauge(1))->valueInterface()->currentValue().toDouble(), 5.0);
}

TEST_F(Form1Accessibility, ChangesAreAnnouncedOnceAndARepeatedReplyAnnouncesNothing)
{
    exchange(reply(0x00, 10, 10));
    AccessibilityEvents events;
    const auto changes = [&] {
        return events.of(QAccessible::NameChanged).size() + events.of(QAccessible::DescriptionChanged).size()
             + events.of(QAccessible::ValueChanged).size();
    };

    exchange(reply(0x81, 128, 10));
    EXPECT_EQ(events.of(QAccessible::NameChanged, form.led_ingresso(0)).size(), 1);
    EXPECT_EQ(events.of(QAccessible::NameChanged, form.led_ingresso(7)).size(), 1);
    EXPECT_EQ(events.of(QAccessible::ValueChanged, gauge(0)).size(), 1);
    EXPECT_EQ(changes(), 3);

    events.clear();
    exchange(reply(0x81, 128, 10));
    form.quale_porta_Click(0);  // the same port again: its description stands
    EXPECT_EQ(changes(), 0);

    form.onoff(4)->click();
    EXPECT_EQ(events.of(QAccessible::NameChanged, form.led_out(4)).size(), 1);
    EXPECT_EQ(events.of(QAccessible::DescriptionChanged, form.onoff(4)).size(), 1);
    EXPECT_EQ(changes(), 2);
}

TEST_F(Form1Accessibility, EveryControlTheKeyboardReachesSaysWhatItIs)
{
    int reached = 0;
    for (QWidget* widget : form.findChildren<QWidget*>()) {
        if (!(widget->focusPolicy() & Qt::TabFocus) || !widget->isEnabled())
            continue;
        ++reached;
        EXPECT_TRUE(face(widget)->state().focusable) << widget->objectName().toStdString();
        EXPECT_FALSE(name(widget).empty()) << widget->objectName().toStdString();
    }
    EXPECT_EQ(reached, 13);  // eight outputs, four ports, Esci
}
