#pragma once
// The rows as the live feed's pipe carries them: each a fixed head (the time, the
// direction, the kind, how many bytes, how long the note) followed by its bytes and its
// note, in this machine's own byte order: both ends are the same program.

#include "tap_row.h"

#include <cstddef>
#include <string>
#include <vector>

// The longest record: a longer note is cut to fit.
constexpr std::size_t kLongestFeedRecord = 1024;

// Appends `row` to `records`.
void appendFeedRecord(std::string& records, const TapRow& row);

// Moves the whole records at the front of `records` into `rows`, leaving a record not
// yet whole where it is; false, with `records` emptied, when they are not records.
bool takeFeedRecords(std::string& records, std::vector<TapRow>& rows);
