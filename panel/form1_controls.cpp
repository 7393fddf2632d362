#include "form1_controls.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace panel {
namespace {

template <typename T, std::size_t N>
void findArray(const BuiltForm& form, const char* name, std::array<T*, N>& array)
{
    for (std::size_t i = 0; i < N; ++i)
        array[i] = qobject_cast<T*>(form.widgets.value(controlKey(QLatin1String(name), static_cast<int>(i))));
}

} // namespace

Form1Controls findControls(const BuiltForm& form)
{
    Form1Controls controls;
    findArray(form, "led_out", controls.led_out);
    findArray(form, "led_ingresso", controls.led_ingresso);
    findArray(form, "onoff", controls.onoff);
    findArray(form, "quale_porta", controls.quale_porta);
    for (std::size_t i = 0; i < controls.v_meter1.size(); ++i)
        controls.v_meter1[i] = form.gauges.value(controlKey(QStringLiteral("v_meter1"), static_cast<int>(i))).get();
    controls.picLedOn = qobject_cast<QLabel*>(form.widgets.value(QStringLiteral("picLedOn")));
    controls.picLedOff = qobject_cast<QLabel*>(form.widgets.value(QStringLiteral("picLedOff")));
    controls.esci = qobject_cast<QPushButton*>(form.widgets.value(QStringLiteral("esci")));
    return controls;
}

} // namespace panel
