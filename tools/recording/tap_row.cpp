#include "tap_row.h"

#include "card_link/card_frames.h"
#include "card_link/output_mask.h"
#include "recording_columns.h"
#include "recording_time.h"
#include "row_names.h"

#include <charconv>

namespace {

std::string hexBytes(const std::vector<std::uint8_t>& bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (std::uint8_t b : bytes) {
        if (!text.empty())
            text += ' ';
        text += digits[b >> 4];
        text += digits[b & 0x0F];
    }
    return text;
}

// Three decimals with a point whatever the locale.
std::string volts(double value)
{
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 3);
    return std::string(text, result.ptr);
}

// Eight 0/1 fields, channel 0 first.
template <typename IsOn>
std::string states(int mask, IsOn isOn)
{
    std::string text;
    for (int n = 0; n < card_link::kChannelCount; ++n)
        text += isOn(mask, n) ? ",1" : ",0";
    return text;
}

std::string quoted(const std::string& field)
{
    if (field.find_first_of(",\"\r\n") == std::string::npos)
        return field;
    std::string text = "\"";
    for (char c : field) {
        if (c == '"')
            text += '"';
        text += c;
    }
    return text + '"';
}

const std::string kNoStates = ",,,,,,,,";

} // namespace

std::string csvHeader()
{
    std::string header = std::string(recording::kTime) + ',' + recording::kDirection + ',' + recording::kKind + ','
        + recording::kBytes + ",mask";
    for (const char* side : {"out", "in"})
        for (int n = 1; n <= card_link::kChannelCount; ++n)
            header += "," + std::string(side) + std::to_string(n);
    return header + ",analog1_raw,analog1_volts,analog2_raw,analog2_volts," + recording::kNote + "\n";
}

std::string csvLine(const TapRow& row)
{
    std::string line = isoTime(row.wallUs) + ',' + directionName(row.direction) + ',' + kindName(row.kind) + ','
        + hexBytes(row.bytes) + ',';
    if (row.kind == RowKind::Request && row.bytes.size() == 4) {
        const int mask = row.bytes[2];
        line += std::to_string(mask) + states(mask, card_link::outputOn) + kNoStates + ",,,,";
    } else if (row.kind == RowKind::Reply && row.bytes.size() == 3) {
        const QByteArray received(reinterpret_cast<const char*>(row.bytes.data()), 3);
        const card_link::CardReply reply = *card_link::decodeReply(received);
        line += std::to_string(reply.inputMask) + kNoStates + states(reply.inputMask, card_link::inputOn) + ','
            + std::to_string(row.bytes[1]) + ',' + volts(reply.volts1) + ',' + std::to_string(row.bytes[2]) + ','
            + volts(reply.volts2);
    } else {
        line += kNoStates + kNoStates + ",,,,";
    }
    return line + ',' + quoted(row.note) + '\n';
}

bool isRecordedReply(const TapRow& row)
{
    return row.direction == Direction::CardToPanel && row.kind == RowKind::Reply && row.bytes.size() == 3;
}
