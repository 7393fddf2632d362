#pragma once
// Texts that assistive technology reads and that change while the window runs. The
// output indicator and the input LED say their channel and "acceso" or "spento", and
// the output button says the same in its description. Each text is set only when it
// changes, so that a poll that changes nothing raises no accessibility event.

#include <QString>

class QWidget;

namespace panel {

QString stateWord(bool on);
// channel counts from 0, the leftmost column; the texts count from 1.
QString outputIndicatorName(int channel, bool on);  // "Interruttore 1: acceso"
QString inputLedName(int channel, bool lit);        // "Signal In 1: spento"

void giveAccessibleName(QWidget* widget, const QString& name);
void giveAccessibleDescription(QWidget* widget, const QString& description);

} // namespace panel
