#pragma once
// A recording read back in a test: its rows, kept, and what the reader warned about.

#include "recording_reader.h"

#include <sstream>
#include <string>
#include <vector>

struct ReadBack {
    bool ok = false;
    std::string error;
    std::vector<RecordedRow> rows;
    std::vector<std::string> warnings;
};

inline ReadBack readBack(const std::string& text)
{
    ReadBack result;
    std::istringstream in(text);
    result.ok = readRecording(
        in, [&](const RecordedRow& row) { result.rows.push_back(row); },
        [&](const std::string& warning) { result.warnings.push_back(warning); }, result.error);
    return result;
}

inline ReadBack readBackFile(const std::string& path)
{
    ReadBack result;
    result.ok = readRecordingFile(
        path, [&](const RecordedRow& row) { result.rows.push_back(row); },
        [&](const std::string& warning) { result.warnings.push_back(warning); }, result.error);
    return result;
}
