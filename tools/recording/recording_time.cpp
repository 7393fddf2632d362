#include "recording_time.h"

#include <cstdio>
#include <ctime>

namespace {

// Days from 1970-01-01 to the given civil date (proleptic Gregorian).
std::int64_t daysFromCivil(std::int64_t year, unsigned month, unsigned day)
{
    year -= month <= 2;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const auto yearOfEra = static_cast<unsigned>(year - era * 400);
    const unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<std::int64_t>(dayOfEra) - 719468;
}

// Reads `count` digits at `at`, moving past them.
bool digits(std::string_view text, std::size_t& at, std::size_t count, int& value)
{
    if (at + count > text.size())
        return false;
    value = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const char c = text[at + i];
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    at += count;
    return true;
}

bool expect(std::string_view text, std::size_t& at, char wanted)
{
    if (at >= text.size() || text[at] != wanted)
        return false;
    ++at;
    return true;
}

} // namespace

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

std::optional<std::int64_t> parseIsoTimeUs(std::string_view text)
{
    std::size_t at = 0;
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (!digits(text, at, 4, year) || !expect(text, at, '-') || !digits(text, at, 2, month) || !expect(text, at, '-')
        || !digits(text, at, 2, day) || at >= text.size() || (text[at] != 'T' && text[at] != ' '))
        return std::nullopt;
    ++at;
    if (!digits(text, at, 2, hour) || !expect(text, at, ':') || !digits(text, at, 2, minute) || !expect(text, at, ':')
        || !digits(text, at, 2, second))
        return std::nullopt;
    if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60)
        return std::nullopt;
    int millis = 0;
    if (at < text.size() && (text[at] == '.' || text[at] == ',')) {
        ++at;
        int places = 0;
        int digit = 0;
        while (at < text.size() && digits(text, at, 1, digit)) {
            if (places++ < 3)
                millis = millis * 10 + digit;
        }
        if (places == 0)
            return std::nullopt;
        for (; places < 3; ++places)
            millis *= 10;
    }
    int offsetMinutes = 0;
    if (at < text.size() && text[at] == 'Z') {
        ++at;
    } else if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        const int sign = text[at++] == '-' ? -1 : 1;
        int offsetHours = 0, offsetMins = 0;
        if (!digits(text, at, 2, offsetHours) || !expect(text, at, ':') || !digits(text, at, 2, offsetMins)
            || offsetHours > 23 || offsetMins > 59)
            return std::nullopt;
        offsetMinutes = sign * (offsetHours * 60 + offsetMins);
    }
    if (at != text.size())
        return std::nullopt;
    const std::int64_t days = daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day));
    const std::int64_t seconds = days * 86400 + hour * 3600 + minute * 60 + second - offsetMinutes * 60;
    return (seconds * 1000 + millis) * 1000;
}
