#pragma once
// Draws a recording with Qt Charts into a picture: the two analogue inputs on a 0 to 5 V
// axis above, the eight outputs and eight inputs as stacked digital traces below, both
// against seconds since the start, which the title gives. Needs a QApplication.

#include "recording_series.h"

#include <QColor>
#include <QImage>
#include <QSize>

namespace plot_colours {
inline const QColor kAnalogue1(0x15, 0x65, 0xC0);
inline const QColor kAnalogue2(0xC6, 0x28, 0x28);
inline const QColor kOutputs(0xEF, 0x6C, 0x00);
inline const QColor kInputs(0x2E, 0x7D, 0x32);
} // namespace plot_colours

QImage plotRecording(const RecordingSeries& series, QSize size);
