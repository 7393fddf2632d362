#pragma once
// Reads a tap recording back: the time, direction and kind of each row and its raw bytes.
// Columns are found by the header's names, so columns added or moved do no harm.

#include <cstdint>
#include <string>
#include <vector>

struct RecordedRow {
    std::string time;       // as written: ISO 8601 with milliseconds and UTC offset
    std::string direction;  // recording::kPanelToCard or kCardToPanel
    std::string kind;       // recording::kRequest, kReply or kUnframed
    std::vector<std::uint8_t> bytes;
};

// False with `error` when the file cannot be read or is not a recording.
bool readRecording(const std::string& path, std::vector<RecordedRow>& rows, std::string& error);

// The rows read from the text of a recording; the same checks as readRecording.
bool parseRecording(const std::string& text, std::vector<RecordedRow>& rows, std::string& error);

// The three bytes of every reply row, in order.
std::vector<std::vector<std::uint8_t>> recordedReplies(const std::vector<RecordedRow>& rows);
