#pragma once
// The time of a recorded row: local time as ISO 8601 with milliseconds and the UTC
// offset, 2024-03-05T14:07:09.042+01:00, written by the tap and read back by hand
// (reading a long recording with a general date parser takes most of its time).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

std::string isoTime(std::int64_t wallUs);

// The other way: microseconds since the Unix epoch, in whole milliseconds (decimals past
// the third are dropped), from YYYY-MM-DDTHH:MM:SS, optional decimals (a space may stand
// for the T) and an optional Z or +HH:MM / -HH:MM (none is taken as UTC); nothing for
// any other text.
std::optional<std::int64_t> parseIsoTimeUs(std::string_view text);
