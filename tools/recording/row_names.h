#pragma once
// What a row's direction and kind are called in a recording, both ways: the tap writes
// the names, the readers turn them back into the values.

#include "tap_row.h"

#include <string_view>

const char* directionName(Direction direction);  // empty for Direction::None
const char* kindName(RowKind kind);

// Text the tap never writes reads as no direction, and as bytes outside any frame:
// nothing a reader acts on.
Direction directionNamed(std::string_view name);
RowKind kindNamed(std::string_view name);
