#pragma once
// The tap's one loop: waits in poll() on the panel's pseudo-terminal, the card's device,
// the stop signals and the panel closing its end; passes each read on to the other side
// at once, then records it. Wakes otherwise only to settle the card's quiet bytes into
// rows and, while the card is gone, to try its device once a second. Rows and messages
// are handed to writers that never make it wait, so it ends on SIGINT, SIGTERM or SIGHUP
// whatever their readers do.

#include "background_writer.h"
#include "card_device.h"
#include "card_terminal.h"
#include "outgoing_bytes.h"
#include "stop_signals.h"
#include "traffic_recorder.h"

#include <string>

class ForwardingLoop {
public:
    // Rows go to `rows` as CSV lines, messages for the user to `messages`; `stops` are
    // blocked already.
    ForwardingLoop(CardDevice& card, BackgroundWriter& rows, BackgroundWriter& messages, const StopSignals& stops);
    ForwardingLoop(const ForwardingLoop&) = delete;
    ForwardingLoop& operator=(const ForwardingLoop&) = delete;

    // Forwards between the panel's end of `panel` and the card until a stop signal, then
    // hands over the last rows; false with `error` if the panel's end fails.
    bool run(CardTerminal& panel, std::string& error);

private:
    void forwardFromPanel();
    void forwardFromCard();
    void cardLost(const std::string& reason);
    void retryCard();
    void writeRows(const std::vector<TapRow>& rows);
    void say(const std::string& message);
    int pollTimeoutMs() const;

    int panel_ = -1;
    CardDevice& card_;
    BackgroundWriter& rows_;
    BackgroundWriter& messages_;
    const StopSignals& stops_;
    TrafficRecorder recorder_;
    OutgoingBytes toCard_;
    OutgoingBytes toPanel_;
};
