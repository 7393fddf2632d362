#include "recording_series.h"

#include "card_link/card_frames.h"
#include "recording_columns.h"

#include <QDateTime>

namespace {

// Adds the channel states of `mask` at `seconds`, as steps: a change is drawn upright.
void addStates(std::array<QList<QPointF>, 8>& traces, int mask, double seconds, bool outputs)
{
    for (int n = 0; n < 8; ++n) {
        // Output n is bit 7 - n of the request's mask; input n is bit n of the reply's.
        const double state = (mask >> (outputs ? 7 - n : n)) & 1;
        QList<QPointF>& trace = traces[static_cast<std::size_t>(n)];
        if (!trace.isEmpty() && trace.last().y() != state)
            trace.append(QPointF(seconds, trace.last().y()));
        if (trace.isEmpty() || trace.last().y() != state)
            trace.append(QPointF(seconds, state));
    }
}

// Carries each trace on to the end of the recording.
void extend(std::array<QList<QPointF>, 8>& traces, double seconds)
{
    for (QList<QPointF>& trace : traces)
        if (!trace.isEmpty() && trace.last().x() < seconds)
            trace.append(QPointF(seconds, trace.last().y()));
}

} // namespace

bool seriesFromRecording(const std::vector<RecordedRow>& rows, RecordingSeries& series, QString& error)
{
    qint64 startMs = 0;
    bool framesSeen = false;
    for (const RecordedRow& row : rows) {
        const QString text = QString::fromStdString(row.time);
        const QDateTime time = QDateTime::fromString(text, Qt::ISODateWithMs);
        if (!time.isValid()) {
            error = QStringLiteral("the time '%1' is not ISO 8601").arg(text);
            return false;
        }
        if (series.startText.isEmpty()) {
            series.startText = text;
            startMs = time.toMSecsSinceEpoch();
        }
        const double seconds = static_cast<double>(time.toMSecsSinceEpoch() - startMs) / 1000.0;
        series.lengthSeconds = std::max(series.lengthSeconds, seconds);
        if (row.kind == recording::kRequest && row.bytes.size() == 4) {
            addStates(series.outputs, row.bytes[2], seconds, true);
            framesSeen = true;
        } else if (row.kind == recording::kReply && row.bytes.size() == 3) {
            const QByteArray bytes(reinterpret_cast<const char*>(row.bytes.data()), 3);
            const card_link::CardReply reply = *card_link::decode_reply(bytes);
            series.volts1.append(QPointF(seconds, reply.volts1));
            series.volts2.append(QPointF(seconds, reply.volts2));
            addStates(series.inputs, reply.inputMask, seconds, false);
            framesSeen = true;
        }
    }
    if (!framesSeen) {
        error = QStringLiteral("it holds no request or reply to plot");
        return false;
    }
    extend(series.outputs, series.lengthSeconds);
    extend(series.inputs, series.lengthSeconds);
    return true;
}
