#pragma once
// Draws a recording into a picture with the card's chart, against seconds since the
// start, which the title gives. Needs a QGuiApplication (for the fonts), no display.

#include "recording_series.h"

#include <QImage>
#include <QSize>

QImage plotRecording(const RecordingSeries& series, QSize size);
