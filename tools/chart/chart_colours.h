#pragma once
// The colours of the traces, the same in the plot of a recording and in the live chart.

#include <QColor>

namespace chart_colours {
inline const QColor kAnalogue1(0x15, 0x65, 0xC0);
inline const QColor kAnalogue2(0xC6, 0x28, 0x28);
inline const QColor kOutputs(0xEF, 0x6C, 0x00);
inline const QColor kInputs(0x2E, 0x7D, 0x32);
} // namespace chart_colours
