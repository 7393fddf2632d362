#pragma once
// A recording read back in a test: its rows and their times as written, kept, and what
// the reader warned about.

#include "recording_reader.h"

#include <sstream>
#include <string>
#include <vector>

struct ReadBack {
    bool ok = false;
    std::string error;
    std::vector<TapRow> rows;
    std::vector<std::string> times;
    std::vector<std::string> warnings;
};

// Keeps each row and its time in `result`.
inline RowHandler keepRows(ReadBack& result)
{
    return [&result](const TapRow& row, std::string_view time) {
        result.rows.push_back(row);
        result.times.emplace_back(time);
    };
}

inline WarningHandler keepWarnings(ReadBack& result)
{
    return [&result](const std::string& warning) { result.warnings.push_back(warning); };
}

inline ReadBack readBack(const std::string& text)
{
    ReadBack result;
    std::istringstream in(text);
    result.ok = readRecording(in, keepRows(result), keepWarnings(result), result.error);
    return result;
}

inline ReadBack readBackFile(const std::string& path)
{
    ReadBack result;
    result.ok = readRecordingFile(path, keepRows(result), keepWarnings(result), result.error);
    return result;
}
