#include "form1_controls.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace panel {
namespace {

template <typename T, std::size_t N>
void find_array(const BuiltForm& form, const char* name, std::array<T*, N>& array)
{
    for (std::size_t i = 0; i < N; ++i)
        array[i] = qobject_cast<T*>(form.widgets.value(control_key(QLatin1String(name), static_cast<int>(i))));
}

} // namespace

Form1Controls find_controls(const BuiltForm& form)
{
    Form1Controls controls;
    find_array(form, "led_out", controls.led_out);
    find_array(form, "led_ingresso", controls.led_ingresso);
    find_array(form, "onoff", controls.onoff);
    find_array(form, "quale_porta", controls.quale_porta);
    for (std::size_t i = 0; i < controls.v_meter1.size(); ++i)
        controls.v_meter1[i] = form.gauges.value(control_key(QStringLiteral("v_meter1"), static_cast<int>(i))).get();
    controls.picLedOn = qobject_cast<QLabel*>(form.widgets.value(QStringLiteral("picLedOn")));
    controls.picLedOff = qobject_cast<QLabel*>(form.widgets.value(QStringLiteral("picLedOff")));
    controls.esci = qobject_cast<QPushButton*>(form.widgets.value(QStringLiteral("esci")));
    return controls;
}

} // namespace panel
