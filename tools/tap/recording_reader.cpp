#include "recording_reader.h"

#include "recording_columns.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

namespace {

// Splits one line at commas; a field in double quotes (as spreadsheets save them) loses its quotes.
std::vector<std::string> splitFields(const std::string& line)
{
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '"') {
            if (quoted && i + 1 < line.size() && line[i + 1] == '"')
                fields.back() += line[++i];
            else
                quoted = !quoted;
        } else if (c == ',' && !quoted) {
            fields.emplace_back();
        } else if (c != '\r') {
            fields.back() += c;
        }
    }
    return fields;
}

bool parseHex(const std::string& text, std::vector<std::uint8_t>& bytes)
{
    std::istringstream words(text);
    std::string word;
    while (words >> word) {
        if (word.size() != 2 || !std::isxdigit(static_cast<unsigned char>(word[0]))
            || !std::isxdigit(static_cast<unsigned char>(word[1])))
            return false;
        bytes.push_back(static_cast<std::uint8_t>(std::stoi(word, nullptr, 16)));
    }
    return true;
}

} // namespace

bool parseRecording(const std::string& text, std::vector<RecordedRow>& rows, std::string& error)
{
    std::istringstream lines(text);
    std::string line;
    if (!std::getline(lines, line)) {
        error = "it is empty";
        return false;
    }
    const std::vector<std::string> header = splitFields(line);
    const auto column = [&](const char* name) {
        const auto at = std::find(header.begin(), header.end(), name);
        return at == header.end() ? -1 : static_cast<int>(at - header.begin());
    };
    const int time = column(recording::kTime);
    const int direction = column(recording::kDirection);
    const int kind = column(recording::kKind);
    const int bytes = column(recording::kBytes);
    if (time < 0 || direction < 0 || kind < 0 || bytes < 0) {
        error = "its first line is not a recording's header (time,direction,kind,bytes,...)";
        return false;
    }
    const std::size_t needed = static_cast<std::size_t>(std::max({time, direction, kind, bytes})) + 1;
    for (int number = 2; std::getline(lines, line); ++number) {
        if (line.empty() || line == "\r")
            continue;
        const std::vector<std::string> fields = splitFields(line);
        RecordedRow row;
        if (fields.size() < needed || !parseHex(fields[static_cast<std::size_t>(bytes)], row.bytes)) {
            error = "line " + std::to_string(number) + " is not a recorded row";
            return false;
        }
        row.time = fields[static_cast<std::size_t>(time)];
        row.direction = fields[static_cast<std::size_t>(direction)];
        row.kind = fields[static_cast<std::size_t>(kind)];
        rows.push_back(std::move(row));
    }
    return true;
}

bool readRecording(const std::string& path, std::vector<RecordedRow>& rows, std::string& error)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = "cannot read " + path + ": " + std::strerror(errno);
        return false;
    }
    std::ostringstream text;
    text << file.rdbuf();
    if (!parseRecording(text.str(), rows, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

std::vector<std::vector<std::uint8_t>> recordedReplies(const std::vector<RecordedRow>& rows)
{
    std::vector<std::vector<std::uint8_t>> replies;
    for (const RecordedRow& row : rows)
        if (row.kind == recording::kReply && row.bytes.size() == 3)
            replies.push_back(row.bytes);
    return replies;
}
