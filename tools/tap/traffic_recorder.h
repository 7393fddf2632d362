#pragma once
// Turns the bytes passing each way into recording rows:
// - from the panel, request frames are found in the stream as the card's frame scanner
//   finds them: bytes that may still begin a frame (at most three) wait, however long,
//   until the frame is complete or proved false, and bytes that belong to no frame make
//   rows of their own;
// - from the card, the bytes that come between two of the panel's sends make one group,
//   as the panel reads them; a group of exactly three bytes is a reply, any other is
//   unframed (the panel would take nothing from it); a group is settled once the card
//   has been quiet for kQuietGapUs;
// - when the card's device goes away and comes back, a row says so; what the panel sends
//   meanwhile reaches no card and is recorded as such (note "not delivered"), framed on
//   its own, since the card never sees it;
// - finish() settles whatever still waits.
// Every byte received ends up in exactly one row.

#include "card_link/frame_scanner.h"
#include "tap_row.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// When a byte passed: wall time for the row, monotonic time for the waits.
struct Moment {
    std::int64_t wallUs = 0;
    std::int64_t monotonicUs = 0;
};

class TrafficRecorder {
public:
    // Longer than the panel's polling period, so that while it polls each group is settled
    // by its next request and the tap need not wake up for it.
    static constexpr std::int64_t kQuietGapUs = 250'000;
    // A group from the card longer than this is written as it stands and a new one begun.
    static constexpr std::size_t kLongestGroup = 64;

    // Takes bytes that passed in one direction and returns the rows now complete.
    std::vector<TapRow> record(Direction direction, const std::uint8_t* data, std::size_t size, Moment at);

    // The card's device went away (`reason`) or came back (`device`): the rows that says.
    std::vector<TapRow> deviceGone(const std::string& reason, Moment at);
    std::vector<TapRow> deviceBack(const std::string& device, Moment at);

    // Rows for the card's bytes once it has been quiet since before `now` minus the gap.
    std::vector<TapRow> settleQuiet(std::int64_t nowMonotonicUs);

    // When settleQuiet() next has something to do, if anything is waiting.
    std::optional<std::int64_t> nextDeadline() const;

    // Rows for everything still waiting, at the end of a recording.
    std::vector<TapRow> finish();

private:
    card_link::FrameScanner& panelScanner() { return cardPresent_ ? requests_ : undelivered_; }
    void closeCardGroup(std::vector<TapRow>& rows);
    void settlePanelPending(card_link::FrameScanner& scanner, std::vector<TapRow>& rows);

    bool cardPresent_ = true;
    card_link::FrameScanner requests_;      // what reaches the card
    card_link::FrameScanner undelivered_;   // what the panel sends while the card is gone
    Moment panelLast_;           // when the panel's pending bytes last grew
    std::vector<std::uint8_t> cardGroup_;
    Moment cardFirst_;           // when the card's group began
    std::int64_t cardLastUs_ = 0;  // monotonic time of the group's last bytes
};
