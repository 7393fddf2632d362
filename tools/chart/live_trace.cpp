#include "live_trace.h"

#include "recording_columns.h"

#include <QByteArray>

std::uint8_t outputStates(std::uint8_t mask)
{
    std::uint8_t on = 0;
    for (int n = 0; n < 8; ++n)
        on |= static_cast<std::uint8_t>(card_link::outputOn(mask, n) ? 1u << n : 0u);
    return on;
}

std::uint8_t inputStates(std::uint8_t mask)
{
    std::uint8_t on = 0;
    for (int n = 0; n < 8; ++n)
        on |= static_cast<std::uint8_t>(card_link::inputOn(mask, n) ? 1u << n : 0u);
    return on;
}

LiveTrace::LiveTrace(double windowSeconds) : window_(windowSeconds) {}

template <typename Sample>
void LiveTrace::forgetOld(std::deque<Sample>& samples, double newest)
{
    // Kept: the samples in the window, and the one before them.
    const double start = newest - window_;
    while (samples.size() >= 2 && samples[1].seconds <= start)
        samples.pop_front();
}

void LiveTrace::add(const TapRow& row)
{
    const double seconds = static_cast<double>(row.wallUs) / 1e6;
    switch (row.kind) {
    case RowKind::Request:
        if (row.bytes.size() != 4)
            return;
        ++frames_;
        if (row.note == recording::kNotDelivered)
            break;
        lastOutputs_ = outputStates(row.bytes[2]);
        outputs_.push_back({seconds, *lastOutputs_});
        break;
    case RowKind::Reply: {
        if (row.bytes.size() != 3)
            return;
        ++frames_;
        const QByteArray bytes(reinterpret_cast<const char*>(row.bytes.data()), 3);
        lastReply_ = card_link::decodeReply(bytes);
        lastReplyUs_ = row.wallUs;
        volts_.push_back({seconds, lastReply_->volts1, lastReply_->volts2, gap_});
        inputs_.push_back({seconds, inputStates(row.bytes[0])});
        gap_ = false;
        break;
    }
    case RowKind::DeviceGone:
        outage_ = row.note.empty() ? std::string("gone") : row.note;
        gap_ = true;
        break;
    case RowKind::DeviceBack:
        outage_.clear();
        break;
    case RowKind::Unframed:
    case RowKind::RowsDropped:
        return;
    }
    forgetOld(volts_, seconds);
    forgetOld(outputs_, seconds);
    forgetOld(inputs_, seconds);
}
