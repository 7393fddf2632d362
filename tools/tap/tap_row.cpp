#include "tap_row.h"

#include "card_link/card_frames.h"
#include "card_link/output_mask.h"
#include "recording_columns.h"

#include <charconv>
#include <cstdio>
#include <ctime>

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

const char* kindName(RowKind kind)
{
    switch (kind) {
    case RowKind::Request: return recording::kRequest;
    case RowKind::Reply: return recording::kReply;
    case RowKind::Unframed: break;
    }
    return recording::kUnframed;
}

// Eight 0/1 fields; `bitOf(n)` is the mask bit of channel n (0..7).
template <typename BitOf>
std::string states(int mask, BitOf bitOf)
{
    std::string text;
    for (int n = 0; n < card_link::kChannelCount; ++n)
        text += ((mask >> bitOf(n)) & 1) ? ",1" : ",0";
    return text;
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
    return header + ",analog1_raw,analog1_volts,analog2_raw,analog2_volts\n";
}

std::string csvLine(const TapRow& row)
{
    std::string line = isoTime(row.wallUs) + ','
        + (row.direction == Direction::PanelToCard ? recording::kPanelToCard : recording::kCardToPanel) + ','
        + kindName(row.kind) + ',' + hexBytes(row.bytes) + ',';
    if (row.kind == RowKind::Request && row.bytes.size() == 4) {
        const int mask = row.bytes[2];
        line += std::to_string(mask) + states(mask, [](int n) { return 7 - n; }) + kNoStates + ",,,,";
    } else if (row.kind == RowKind::Reply && row.bytes.size() == 3) {
        const QByteArray received(reinterpret_cast<const char*>(row.bytes.data()), 3);
        const card_link::CardReply reply = *card_link::decode_reply(received);
        line += std::to_string(reply.inputMask) + kNoStates + states(reply.inputMask, [](int n) { return n; }) + ','
            + std::to_string(row.bytes[1]) + ',' + volts(reply.volts1) + ',' + std::to_string(row.bytes[2]) + ','
            + volts(reply.volts2);
    } else {
        line += kNoStates + kNoStates + ",,,,";
    }
    return line + '\n';
}

std::string isoTime(std::int64_t wallUs)
{
    const std::time_t seconds = static_cast<std::time_t>(wallUs / 1'000'000);
    const int millis = static_cast<int>(wallUs % 1'000'000 / 1000);
    std::tm local{};
    localtime_r(&seconds, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%S", &local);
    const long offset = local.tm_gmtoff;
    // Offsets are within a day.
    const int minutes = static_cast<int>((offset < 0 ? -offset : offset) / 60 % (24 * 60));
    char text[64];
    std::snprintf(text, sizeof text, "%s.%03d%c%02d:%02d", stamp, millis, offset < 0 ? '-' : '+', minutes / 60,
                  minutes % 60);
    return text;
}
