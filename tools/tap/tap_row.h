#pragma once
// One row of a tap recording, and its CSV text: the time, the direction, the kind, the raw
// bytes in hex, then what a request or a reply carries, decoded.

#include <cstdint>
#include <string>
#include <vector>

enum class Direction { PanelToCard, CardToPanel };
enum class RowKind { Request, Reply, Unframed };

struct TapRow {
    std::int64_t wallUs = 0;  // microseconds since the Unix epoch
    Direction direction = Direction::PanelToCard;
    RowKind kind = RowKind::Unframed;
    std::vector<std::uint8_t> bytes;
};

// The header line, newline included.
std::string csvHeader();

// The row as one CSV line, newline included. Requests fill the mask and out1..out8
// (out1 is the leftmost output, bit 7); replies fill the input mask, in1..in8 (bit 0
// first) and both analogue values raw and in volts; unframed rows only their bytes.
std::string csvLine(const TapRow& row);

// Local time as ISO 8601 with milliseconds and the UTC offset: 2024-03-05T14:07:09.042+01:00.
std::string isoTime(std::int64_t wallUs);
