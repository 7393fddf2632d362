#pragma once
// The names a tap recording uses: its columns, directions and kinds of row. The tap
// writes them and the replay and the plot read them back.

namespace recording {

inline constexpr const char* kTime = "time";
inline constexpr const char* kDirection = "direction";
inline constexpr const char* kKind = "kind";
inline constexpr const char* kBytes = "bytes";

inline constexpr const char* kPanelToCard = "panel>card";
inline constexpr const char* kCardToPanel = "card>panel";

inline constexpr const char* kRequest = "request";
inline constexpr const char* kReply = "reply";
inline constexpr const char* kUnframed = "unframed";

} // namespace recording
