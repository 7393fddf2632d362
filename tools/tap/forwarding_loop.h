#pragma once
// The tap's one loop: waits in poll() on the panel's pseudo-terminal, the card's device and
// the stop signals, passes each read on to the other side at once, then records it.
// Wakes otherwise only to settle quiet bytes into rows and, while the card is gone, to try
// its device once a second. Ends on SIGINT, SIGTERM or SIGHUP with every row written.

#include "card_device.h"
#include "csv_writer.h"
#include "outgoing_bytes.h"
#include "traffic_recorder.h"

#include <string>

class ForwardingLoop {
public:
    ForwardingLoop(CardDevice& card, CsvWriter& csv);
    ~ForwardingLoop();
    ForwardingLoop(const ForwardingLoop&) = delete;
    ForwardingLoop& operator=(const ForwardingLoop&) = delete;

    // Blocks the stop signals; call first, so a stop during start-up is not lost.
    bool prepare(std::string& error);
    // Forwards between the panel's end `panelMaster` and the card until a stop signal;
    // false with `error` if the panel's end fails.
    bool run(int panelMaster, std::string& error);

private:
    void forwardFromPanel();
    void forwardFromCard();
    void cardLost(const std::string& reason);
    void retryCard();
    void writeRows(const std::vector<TapRow>& rows);
    int pollTimeoutMs() const;

    int panel_ = -1;
    CardDevice& card_;
    CsvWriter& csv_;
    TrafficRecorder recorder_;
    OutgoingBytes toCard_;
    OutgoingBytes toPanel_;
    int signalFd_ = -1;
};
