#pragma once
// What the plot draws, gathered from a recording's rows one at a time: both analogue
// inputs in volts and the eight outputs and eight inputs as 0/1 steps, each against
// seconds since the first row, each kept to a bounded number of points however long the
// recording (see decimated_trace.h). Outputs come from the requests that reached the
// card, inputs and volts from the replies the card sent.

#include "decimated_trace.h"
#include "recording_reader.h"

#include <QList>
#include <QPointF>
#include <QString>

#include <array>
#include <optional>
#include <string_view>

struct RecordingSeries {
    QString startText;        // the first row's time as recorded, for the title
    double lengthSeconds = 0; // from the first row to the last
    QList<QPointF> volts1;
    QList<QPointF> volts2;
    std::array<QList<QPointF>, 8> outputs;  // out1..out8: 0 or 1, a step at each change
    std::array<QList<QPointF>, 8> inputs;   // in1..in8
};

class SeriesBuilder {
public:
    // `columns`: the picture's width in pixels; each trace keeps about two points per
    // column at least.
    explicit SeriesBuilder(int columns);

    // `time`: the row's time as written (see recording_reader.h).
    void add(const TapRow& row, std::string_view time);

    // False with `error` when there was no request or reply to plot.
    bool finish(RecordingSeries& series, QString& error) const;

private:
    std::optional<std::int64_t> startUs_;
    QString startText_;
    double lengthSeconds_ = 0;
    bool framesSeen_ = false;
    DecimatedTrace volts1_;
    DecimatedTrace volts2_;
    std::array<DecimatedTrace, 8> outputs_;
    std::array<DecimatedTrace, 8> inputs_;
};
