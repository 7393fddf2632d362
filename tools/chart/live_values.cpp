#include "live_values.h"

#include "recording_time.h"

namespace {

const QString kNothingYet = QStringLiteral("–");

QString states(std::uint8_t on)
{
    QString text;
    for (int n = 0; n < 8; ++n) {
        if (n > 0)
            text += QLatin1Char(' ');
        text += ((on >> n) & 1) != 0 ? QLatin1Char('1') : QLatin1Char('0');
    }
    return text;
}

QString volts(double value)
{
    return QString::number(value, 'f', 2) + QStringLiteral(" V");
}

// HH:MM:SS.mmm of a recorded row's time.
QString clockTime(std::int64_t wallUs)
{
    const std::string iso = isoTime(wallUs);
    return QString::fromStdString(iso.substr(11, 12));
}

} // namespace

LiveValues liveValues(const LiveTrace& trace)
{
    LiveValues values;
    const auto& reply = trace.lastReply();
    values.analogue1 = reply ? volts(reply->volts1) : kNothingYet;
    values.analogue2 = reply ? volts(reply->volts2) : kNothingYet;
    values.inputs = reply ? states(inputStates(static_cast<std::uint8_t>(reply->inputMask))) : kNothingYet;
    values.outputs = trace.lastOutputs() ? states(*trace.lastOutputs()) : kNothingYet;
    if (!trace.outage().empty())
        values.status = QStringLiteral("The card's device is gone (%1); the tap tries it again once a second.")
                            .arg(QString::fromStdString(trace.outage()));
    else if (trace.lastReplyUs())
        values.status = QStringLiteral("Last reply at %1; %2 frames.")
                            .arg(clockTime(*trace.lastReplyUs()))
                            .arg(trace.frames());
    else
        values.status = QStringLiteral("No reply from the card yet; %1 frames.").arg(trace.frames());
    return values;
}
