#include "recording_reader.h"

#include "recording_columns.h"
#include "recording_time.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <sys/stat.h>

namespace {

// Splits one line at commas into `fields`, reusing their storage; a field in double
// quotes loses its quotes, and a carriage return outside quotes is dropped.
void splitFields(const std::string& line, std::vector<std::string>& fields, std::size_t& count)
{
    count = 0;
    const auto next = [&]() -> std::string& {
        if (count == fields.size())
            fields.emplace_back();
        std::string& field = fields[count++];
        field.clear();
        return field;
    };
    std::string* field = &next();
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '"') {
            if (quoted && i + 1 < line.size() && line[i + 1] == '"')
                *field += line[++i];
            else
                quoted = !quoted;
        } else if (c == ',' && !quoted) {
            field = &next();
        } else if (c != '\r' || quoted) {
            *field += c;
        }
    }
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Two hex digits per byte, separated by spaces.
bool parseHex(const std::string& text, std::vector<std::uint8_t>& bytes)
{
    bytes.clear();
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] == ' ') {
            ++i;
            continue;
        }
        if (i + 1 >= text.size() || (i + 2 < text.size() && text[i + 2] != ' '))
            return false;
        const int high = hexDigit(text[i]);
        const int low = hexDigit(text[i + 1]);
        if (high < 0 || low < 0)
            return false;
        bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
        i += 2;
    }
    return true;
}

constexpr const char kByteOrderMark[] = "\xEF\xBB\xBF";

} // namespace

bool readRecording(std::istream& in, const RowHandler& onRow, const WarningHandler& onWarning, std::string& error)
{
    std::string line;
    if (!std::getline(in, line)) {
        error = "it is empty";
        return false;
    }
    if (line.rfind(kByteOrderMark, 0) == 0)
        line.erase(0, std::strlen(kByteOrderMark));
    std::vector<std::string> header;
    std::size_t headerSize = 0;
    splitFields(line, header, headerSize);
    header.resize(headerSize);
    const auto column = [&](const char* name) {
        const auto at = std::find(header.begin(), header.end(), name);
        return at == header.end() ? -1 : static_cast<int>(at - header.begin());
    };
    const int time = column(recording::kTime);
    const int direction = column(recording::kDirection);
    const int kind = column(recording::kKind);
    const int bytes = column(recording::kBytes);
    const int note = column(recording::kNote);
    if (time < 0 || direction < 0 || kind < 0 || bytes < 0) {
        error = "its first line is not a recording's header (time,direction,kind,bytes,...)";
        return false;
    }
    const auto needed = static_cast<std::size_t>(std::max({time, direction, kind, bytes, note})) + 1;
    const auto at = [](const std::vector<std::string>& fields, int index) -> const std::string& {
        return fields[static_cast<std::size_t>(index)];
    };

    std::vector<std::string> fields;
    std::size_t count = 0;
    RecordedRow row;
    long long badLines = 0;
    long long firstBad = 0;
    for (long long number = 2; std::getline(in, line); ++number) {
        // A last line without its newline is a row cut off: it is taken only when all its
        // fields are there.
        const bool cutOff = in.eof();
        if (line.empty() || line == "\r")
            continue;
        splitFields(line, fields, count);
        bool good = count >= (cutOff ? std::max(needed, headerSize) : needed) && parseHex(at(fields, bytes), row.bytes);
        if (good) {
            const std::optional<std::int64_t> ms = parseIsoTimeMs(at(fields, time));
            good = ms.has_value();
            row.timeMs = ms.value_or(0);
        }
        if (!good) {
            if (cutOff) {
                onWarning("line " + std::to_string(number) + " is cut off (the recording ends in the middle of a "
                          "row); it is skipped");
            } else if (badLines++ == 0) {
                firstBad = number;
            }
            continue;
        }
        row.time = at(fields, time);
        row.direction = at(fields, direction);
        row.kind = at(fields, kind);
        if (note >= 0)
            row.note = at(fields, note);
        onRow(row);
    }
    if (badLines == 1)
        onWarning("line " + std::to_string(firstBad) + " is not a recorded row; it is skipped");
    else if (badLines > 1)
        onWarning(std::to_string(badLines) + " lines are not recorded rows (the first is line "
                  + std::to_string(firstBad) + "); they are skipped");
    return true;
}

bool readRecordingFile(const std::string& path, const RowHandler& onRow, const WarningHandler& onWarning,
                       std::string& error)
{
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) {
        error = path + " is a folder, not a recording";
        return false;
    }
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = "cannot read " + path + ": " + std::strerror(errno);
        return false;
    }
    const WarningHandler warn = [&](const std::string& warning) { onWarning(path + ": " + warning); };
    errno = 0;
    if (!readRecording(file, onRow, warn, error)) {
        error = file.bad() ? "cannot read " + path + ": " + std::strerror(errno) : path + ": " + error;
        return false;
    }
    if (file.bad()) {
        error = "cannot read " + path + " to its end: " + std::strerror(errno);
        return false;
    }
    return true;
}

bool isRecordedReply(const RecordedRow& row)
{
    return row.direction == recording::kCardToPanel && row.kind == recording::kReply && row.bytes.size() == 3;
}
