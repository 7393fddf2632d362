#pragma once
// The names a tap recording uses: its columns, directions, kinds of row and notes. The
// tap writes them; the replay and the plot read them back.

namespace recording {

inline constexpr const char* kTime = "time";
inline constexpr const char* kDirection = "direction";
inline constexpr const char* kKind = "kind";
inline constexpr const char* kBytes = "bytes";
// The last column, added after the first recordings were made: what else a row has to
// say. Readers take the columns by name, so files without it still read.
inline constexpr const char* kNote = "note";

inline constexpr const char* kPanelToCard = "panel>card";
inline constexpr const char* kCardToPanel = "card>panel";

inline constexpr const char* kRequest = "request";
inline constexpr const char* kReply = "reply";
inline constexpr const char* kUnframed = "unframed";
// Rows of no direction: the card's device went away (the note says why) or came back
// (the note names it), or the recording could not keep up and the note gives the count
// of rows left out.
inline constexpr const char* kDeviceGone = "device gone";
inline constexpr const char* kDeviceBack = "device back";
inline constexpr const char* kRowsDropped = "rows dropped";

// The note of the panel's bytes that reached no card because it was gone.
inline constexpr const char* kNotDelivered = "not delivered";

} // namespace recording
