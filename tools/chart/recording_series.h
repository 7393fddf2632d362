#pragma once
// What the picture of a recording draws, gathered from its rows one at a time: both
// analogue inputs in volts and the eight outputs and eight inputs as 0/1, each against
// seconds since the first row, each kept by the chart's decimator to a bounded number of
// samples however long the recording. Outputs come from the requests that reached the
// card, inputs and volts from the replies the card sent; the analogue lines break where
// the card's device went away.

#include "chart_traces.h"
#include "recording_reader.h"

#include <QString>

#include <array>
#include <optional>
#include <string_view>

struct RecordingSeries {
    QString startText;        // the first row's time as recorded, for the title
    double lengthSeconds = 0; // from the first row to the last
    ChartTraces traces;
};

class SeriesBuilder {
public:
    // `columns`: the picture's width in pixels; each trace keeps about two buckets per
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
    bool gap_ = false;
    DecimatedTrace volts1_;
    DecimatedTrace volts2_;
    std::array<DecimatedTrace, 8> outputs_;
    std::array<DecimatedTrace, 8> inputs_;
};
