#pragma once
// What the plot draws, taken from a recording's rows: both analogue inputs in volts and the
// eight outputs and eight inputs as 0/1 steps, each against seconds since the first row.

#include "recording_reader.h"

#include <QList>
#include <QPointF>
#include <QString>

#include <array>
#include <vector>

struct RecordingSeries {
    QString startText;        // the first row's time as recorded, for the title
    double lengthSeconds = 0; // from the first row to the last
    QList<QPointF> volts1;
    QList<QPointF> volts2;
    std::array<QList<QPointF>, 8> outputs;  // out1..out8: 0 or 1, a step at each change
    std::array<QList<QPointF>, 8> inputs;   // in1..in8
};

// False with `error` when a row's time cannot be read or there is no request or reply.
bool seriesFromRecording(const std::vector<RecordedRow>& rows, RecordingSeries& series, QString& error);
