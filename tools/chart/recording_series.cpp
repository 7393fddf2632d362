#include "recording_series.h"

#include "card_link/card_frames.h"
#include "recording_columns.h"

#include <algorithm>

namespace {

std::array<DecimatedTrace, 8> traces(std::size_t buckets)
{
    return {DecimatedTrace(buckets), DecimatedTrace(buckets), DecimatedTrace(buckets), DecimatedTrace(buckets),
            DecimatedTrace(buckets), DecimatedTrace(buckets), DecimatedTrace(buckets), DecimatedTrace(buckets)};
}

} // namespace

SeriesBuilder::SeriesBuilder(int columns)
    : volts1_(2 * static_cast<std::size_t>(columns)),
      volts2_(2 * static_cast<std::size_t>(columns)),
      outputs_(traces(2 * static_cast<std::size_t>(columns))),
      inputs_(traces(2 * static_cast<std::size_t>(columns)))
{
}

void SeriesBuilder::add(const TapRow& row, std::string_view time)
{
    if (!startUs_) {
        startUs_ = row.wallUs;
        startText_ = QString::fromUtf8(time.data(), static_cast<qsizetype>(time.size()));
    }
    const double seconds = std::max<double>(0, static_cast<double>(row.wallUs - *startUs_) / 1e6);
    lengthSeconds_ = std::max(lengthSeconds_, seconds);
    if (row.kind == RowKind::DeviceGone)
        gap_ = true;
    if (row.direction == Direction::PanelToCard && row.kind == RowKind::Request && row.bytes.size() == 4
        && row.note != recording::kNotDelivered) {
        for (int n = 0; n < 8; ++n)
            outputs_[static_cast<std::size_t>(n)].add(seconds, card_link::outputOn(row.bytes[2], n) ? 1 : 0);
        framesSeen_ = true;
    } else if (isRecordedReply(row)) {
        const QByteArray bytes(reinterpret_cast<const char*>(row.bytes.data()), 3);
        const card_link::CardReply reply = *card_link::decodeReply(bytes);
        volts1_.add(seconds, reply.volts1, gap_);
        volts2_.add(seconds, reply.volts2, gap_);
        gap_ = false;
        for (int n = 0; n < 8; ++n)
            inputs_[static_cast<std::size_t>(n)].add(seconds, card_link::inputOn(reply.inputMask, n) ? 1 : 0);
        framesSeen_ = true;
    }
}

bool SeriesBuilder::finish(RecordingSeries& series, QString& error) const
{
    if (!framesSeen_) {
        error = QStringLiteral("it holds no request or reply to plot");
        return false;
    }
    series.startText = startText_;
    series.lengthSeconds = lengthSeconds_;
    series.traces.volts1 = volts1_.samples();
    series.traces.volts2 = volts2_.samples();
    for (std::size_t n = 0; n < 8; ++n) {
        series.traces.outputs[n] = outputs_[n].samples();
        series.traces.inputs[n] = inputs_[n].samples();
    }
    return true;
}
