#include "recording_reader.h"

#include "recording_columns.h"
#include "recording_time.h"
#include "row_names.h"

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

// Where the header puts the columns a row is read from.
struct Columns {
    int time = -1;
    int direction = -1;
    int kind = -1;
    int bytes = -1;
    int note = -1;           // -1 in recordings from before the note
    std::size_t needed = 0;  // the fields a line needs to hold them all
    std::size_t all = 0;     // the header's fields
};

bool readHeader(std::istream& in, Columns& columns, std::string& error)
{
    std::string line;
    if (!std::getline(in, line)) {
        error = "it is empty";
        return false;
    }
    if (line.rfind(kByteOrderMark, 0) == 0)
        line.erase(0, std::strlen(kByteOrderMark));
    std::vector<std::string> header;
    splitFields(line, header, columns.all);
    header.resize(columns.all);
    const auto column = [&](const char* name) {
        const auto at = std::find(header.begin(), header.end(), name);
        return at == header.end() ? -1 : static_cast<int>(at - header.begin());
    };
    columns.time = column(recording::kTime);
    columns.direction = column(recording::kDirection);
    columns.kind = column(recording::kKind);
    columns.bytes = column(recording::kBytes);
    columns.note = column(recording::kNote);
    if (std::min({columns.time, columns.direction, columns.kind, columns.bytes}) < 0) {
        error = "its first line is not a recording's header (time,direction,kind,bytes,...)";
        return false;
    }
    const int last = std::max({columns.time, columns.direction, columns.kind, columns.bytes, columns.note});
    columns.needed = static_cast<std::size_t>(last) + 1;
    return true;
}

// Fills `row` from the first `count` of `fields`; false when they are not a row, with
// fewer than `needed` fields, bytes that are not hex or a time that is not one.
bool decodeRow(const std::vector<std::string>& fields, std::size_t count, std::size_t needed, const Columns& columns,
               TapRow& row)
{
    const auto at = [&](int index) -> const std::string& { return fields[static_cast<std::size_t>(index)]; };
    if (count < needed || !parseHex(at(columns.bytes), row.bytes))
        return false;
    const std::optional<std::int64_t> wallUs = parseIsoTimeUs(at(columns.time));
    if (!wallUs)
        return false;
    row.wallUs = *wallUs;
    row.direction = directionNamed(at(columns.direction));
    row.kind = kindNamed(at(columns.kind));
    if (columns.note >= 0)
        row.note = at(columns.note);
    return true;
}

// The lines skipped for not being rows, told once when the reading ends.
struct BadLines {
    long long count = 0;
    long long first = 0;

    void add(long long number)
    {
        if (count++ == 0)
            first = number;
    }

    void report(const WarningHandler& onWarning) const
    {
        if (count == 1)
            onWarning("line " + std::to_string(first) + " is not a recorded row; it is skipped");
        else if (count > 1)
            onWarning(std::to_string(count) + " lines are not recorded rows (the first is line "
                      + std::to_string(first) + "); they are skipped");
    }
};

} // namespace

bool readRecording(std::istream& in, const RowHandler& onRow, const WarningHandler& onWarning, std::string& error)
{
    Columns columns;
    if (!readHeader(in, columns, error))
        return false;
    std::string line;
    std::vector<std::string> fields;
    std::size_t count = 0;
    TapRow row;
    BadLines bad;
    for (long long number = 2; std::getline(in, line); ++number) {
        // A last line without its newline is a row cut off: it is taken only when all its
        // fields are there.
        const bool cutOff = in.eof();
        if (line.empty() || line == "\r")
            continue;
        splitFields(line, fields, count);
        const std::size_t needed = cutOff ? std::max(columns.needed, columns.all) : columns.needed;
        if (decodeRow(fields, count, needed, columns, row))
            onRow(row, fields[static_cast<std::size_t>(columns.time)]);
        else if (cutOff)
            onWarning("line " + std::to_string(number) + " is cut off (the recording ends in the middle of a "
                      "row); it is skipped");
        else
            bad.add(number);
    }
    bad.report(onWarning);
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
