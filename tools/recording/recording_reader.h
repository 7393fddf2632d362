#pragma once
// Reads a tap recording back, one row at a time, so memory stays the same however long
// the file. Columns are found by the header's names, so columns added or moved do no
// harm and files from before a column was added still read. A header saved with a
// byte-order mark, quoted fields and CRLF line ends (as spreadsheets save them) are
// taken too.
//
// A recording is read as far as it is good: a line that is not a recorded row (the
// last one cut off by a full disk or a power cut, say) is skipped and reported through
// the warning handler, and every good row is kept.

#include "tap_row.h"

#include <functional>
#include <istream>
#include <string>
#include <string_view>

// Each row comes with its time as written, for showing it as recorded (in the time zone
// it was recorded in), good for the call only; the row's direction and kind are decoded,
// and its note is empty when the recording has no note column.
using RowHandler = std::function<void(const TapRow& row, std::string_view time)>;
using WarningHandler = std::function<void(const std::string&)>;

// Hands each good row to `onRow` in order. False with `error` when the text is not a
// recording (no header); skipped lines go to `onWarning`, once per kind of trouble.
bool readRecording(std::istream& in, const RowHandler& onRow, const WarningHandler& onWarning, std::string& error);

// The same for a file; errors and warnings start with its path.
bool readRecordingFile(const std::string& path, const RowHandler& onRow, const WarningHandler& onWarning,
                       std::string& error);
