#pragma once
// The tap's one loop: an event loop in the calling thread, woken by the panel's
// pseudo-terminal, the card, the stop descriptor, the panel closing its end and, when the
// tap started the panel, the panel's process; it passes each read on to the other side
// at once, then records it. Wakes otherwise only to settle the card's quiet bytes into
// rows and, while the card is gone, to try it again once a second. Rows and messages are
// handed to writers that never make it wait, and rows to whoever shows them (the live
// chart's feed), which never does either, so it ends on a stop whatever their readers
// do. The card's port object must live in the thread that calls run().

#include "background_writer.h"
#include "card_device.h"
#include "card_link/port_problem.h"
#include "card_terminal.h"
#include "outgoing_bytes.h"
#include "traffic_recorder.h"

#include <QTimer>

#include <cstdint>
#include <functional>
#include <string>

class QEventLoop;
class QSocketNotifier;

class ForwardingLoop {
public:
    enum class Ending {
        Stopped,     // the stop descriptor became readable
        PanelEnded,  // the watched process ended
        Failed,      // the panel's end failed; see the error
    };

    // After the panel's process ends, the card's answer to its last request is still
    // awaited this long (one polling period), so that it is recorded too.
    static constexpr std::int64_t kLastAnswerUs = 100'000;
    static constexpr int kRetryMs = 1000;

    // Rows go to `rows` as CSV lines, messages for the user to `messages`; the loop ends
    // when `stopFd` becomes readable (the stop signals' descriptor).
    ForwardingLoop(CardDevice& card, BackgroundWriter& rows, BackgroundWriter& messages, int stopFd);
    ForwardingLoop(const ForwardingLoop&) = delete;
    ForwardingLoop& operator=(const ForwardingLoop&) = delete;

    // Also ends when `processFd` (a pidfd) becomes readable, that process having ended.
    void endWithProcess(int processFd) { processFd_ = processFd; }
    // The rows of each turn are also handed to `rows`, in this thread, which must not wait
    // (the live chart's feed).
    void showRowsTo(std::function<void(const std::vector<TapRow>&)> rows) { showRows_ = std::move(rows); }
    // The card could not be opened at the start, for `reason`: the recording begins with
    // a row that says so, and the card is tried again once a second.
    void startWithoutCard(const std::string& reason);

    // Forwards between the panel's end of `panel` and the card until it ends, then hands
    // over the last rows; `error` says why when it failed.
    Ending run(CardTerminal& panel, std::string& error);

private:
    // The card's bytes, comings and goings and notices, for as long as `context` lives.
    void followCard(QObject& context);
    void forwardFromPanel();
    void flushToPanel();
    void forwardFromCard();
    void cardLost(const card_link::PortProblem& why);
    void retryCard();
    void cardBack();
    void panelEnded();
    void afterEvent();
    void writeRows(const std::vector<TapRow>& rows);
    void say(const std::string& message);

    int panel_ = -1;
    CardDevice& card_;
    BackgroundWriter& rows_;
    BackgroundWriter& messages_;
    int stopFd_ = -1;
    int processFd_ = -1;
    std::function<void(const std::vector<TapRow>&)> showRows_;
    TrafficRecorder recorder_;
    OutgoingBytes toPanel_;
    bool cardGone_ = false;
    Ending ending_ = Ending::Stopped;
    std::string error_;
    // Once the panel's process has ended: when the loop ends.
    std::int64_t endUs_ = INT64_MAX;
    QEventLoop* loop_ = nullptr;
    QSocketNotifier* panelWritable_ = nullptr;
    QTimer deadline_;
    QTimer retry_;
};
