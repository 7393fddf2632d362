#pragma once
// Texts that assistive technology reads and that change while the window runs. The
// output indicator and the input LED say their channel and "acceso" or "spento", and
// the output button says the same in its description. Each text is set only when it
// changes, so that a poll that changes nothing raises no accessibility event.

#include <QString>

class QWidget;

namespace panel {

QString state_word(bool on);
// channel counts from 0, the leftmost column; the texts count from 1.
QString output_indicator_name(int channel, bool on);  // "Interruttore 1: acceso"
QString input_led_name(int channel, bool lit);        // "Signal In 1: spento"

void set_accessible_name(QWidget* widget, const QString& name);
void set_accessible_description(QWidget* widget, const QString& description);

} // namespace panel
