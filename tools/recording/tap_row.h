#pragma once
// One row of a tap recording, as the tap records it and as a reader reads it back
// (recording_reader.h), and its CSV text: the time, the direction, the kind, the raw
// bytes in hex, what a request or a reply carries, decoded, and a note.

#include <cstdint>
#include <string>
#include <vector>

enum class Direction { PanelToCard, CardToPanel, None };
enum class RowKind { Request, Reply, Unframed, DeviceGone, DeviceBack, RowsDropped };

struct TapRow {
    std::int64_t wallUs = 0;  // microseconds since the Unix epoch; whole milliseconds when read back
    Direction direction = Direction::PanelToCard;
    RowKind kind = RowKind::Unframed;
    std::vector<std::uint8_t> bytes;
    std::string note;         // see recording_columns.h; empty for most rows
};

// Whether the row is a reply as the card sent it: card>panel, of kind reply, three bytes.
bool isRecordedReply(const TapRow& row);

// The header line, newline included.
std::string csvHeader();

// The row as one CSV line, newline included. Requests fill the mask and out1..out8
// (out1 is the leftmost output, bit 7); replies fill the input mask, in1..in8 (bit 0
// first) and both analogue values raw and in volts; other rows only their bytes. The
// note is quoted when it holds a comma or a quote.
std::string csvLine(const TapRow& row);
