#pragma once
// The card's event loop: reads requests from the master, answers them (now or after the
// reply delay), sends flood replies, makes the line usable again after each client,
// and stops on SIGTERM, SIGINT or SIGHUP.

#include "card_options.h"
#include "card_terminal.h"
#include "frame_log.h"
#include "card_link/frame_scanner.h"
#include "reply_maker.h"
#include "platform/process/stop_pipe.h"

#include <cstdint>
#include <deque>
#include <string>

class CardLoop {
public:
    CardLoop(const CardOptions& options, FrameLog& log, std::uint32_t seed, std::vector<Reply> recorded = {});
    ~CardLoop();
    CardLoop(const CardLoop&) = delete;
    CardLoop& operator=(const CardLoop&) = delete;

    // Takes over the stop signals and creates the timers; call before anything else can race them.
    bool prepare(std::string& error);
    // Serves the line on `terminal` until a stop signal; returns false with `error` if the line fails.
    bool run(CardTerminal& terminal, std::string& error);

private:
    struct PendingReply {
        std::int64_t dueUs;
        std::uint8_t outputs;
    };

    bool readRequests(std::string& error);
    // A request from the panel, logged and answered now or after the reply delay.
    void takeRequest(std::uint8_t mask, std::int64_t now);
    void sendDueReplies();
    void armDelayTimer();
    void send(const std::uint8_t* bytes, std::size_t size);

    CardOptions options_;
    int master_ = -1;
    FrameLog& log_;
    card_link::FrameScanner scanner_;
    ReplyMaker replies_;
    std::deque<PendingReply> pending_;
    std::uint8_t lastOutputs_ = 0;
    platform::StopPipe stops_;
    int delayTimer_ = -1;
    int floodTimer_ = -1;
};
