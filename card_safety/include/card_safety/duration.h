#pragma once
// A duration as the user writes one: a number with ms, s, m or h (500ms, 10s, 1.5m, 2h),
// kept to the millisecond.

#include <QString>

#include <chrono>

namespace card_safety {

using Duration = std::chrono::milliseconds;

// Reads `text` into `into`; empty when it is a duration above 0 (or exactly 0 when
// `zeroAllowed`, "0" alone included), else what is wrong with it.
QString readDuration(const QString& text, Duration& into, bool zeroAllowed = false);

// The shortest of "2h", "5m", "10s", "1500ms" that says `duration` exactly.
QString durationText(Duration duration);

} // namespace card_safety
