#pragma once
// Draws a recording with Qt Charts into a picture: the two analogue inputs on a 0 to 5 V
// axis above, the eight outputs and eight inputs as stacked digital traces below, both
// against seconds since the start, which the title gives. Needs a QApplication.

#include "plot_colours.h"
#include "recording_series.h"

#include <QImage>
#include <QSize>

QImage plotRecording(const RecordingSeries& series, QSize size);
