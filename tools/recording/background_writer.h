#pragma once
// Writes text to a descriptor from a thread of its own, so that whoever hands it text
// never waits for the reader: a pipe nobody reads, a terminal stopped with Ctrl-S and a
// slow disk hold up only this thread. The text waits in a queue of bounded size; when
// that is full, further lines are left out and counted, and once there is room again a
// notice of the count goes in ahead of the next lines.
//
// Text is handed over and written in whole lines, in chunks of at most PIPE_BUF bytes
// (more only for one longer line), which a pipe takes whole or not at all. When a write
// to a regular file fails part way (disk full), the file is cut back to its last whole
// line, so it never ends in half a line; nothing more is written after a failure.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class BackgroundWriter {
public:
    static constexpr std::size_t kChunk = 4096;

    struct Hooks {
        // From the writing thread, once: a write failed, for this reason.
        std::function<void(const std::string& reason)> failed;
        // From add(), the first time lines are left out.
        std::function<void()> firstDrop;
        // From add() or finish(): the line that stands for `count` lines left out.
        std::function<std::string(std::uint64_t count)> dropNotice;
    };

    struct Outcome {
        std::uint64_t dropped = 0;    // lines left out because the queue was full
        std::uint64_t unwritten = 0;  // lines queued but not written: a write failed, or time ran out
    };

    // Writes to `fd`, closed at the end when `owned`; at most `limitBytes` wait at a time.
    BackgroundWriter(int fd, bool owned, std::size_t limitBytes, Hooks hooks = {});
    ~BackgroundWriter();
    BackgroundWriter(const BackgroundWriter&) = delete;
    BackgroundWriter& operator=(const BackgroundWriter&) = delete;

    // Starts the thread; signals blocked now stay blocked in it.
    void start();

    // Queues whole lines, or counts them as left out; never waits for the writing.
    void add(const std::string& lines);

    // Takes no more lines and waits at most `limit` for the queue to be written. What
    // is still waiting then is abandoned with the thread, which the process's exit ends.
    Outcome finish(std::chrono::milliseconds limit);

private:
    struct Shared;
    std::shared_ptr<Shared> shared_;
    bool finished_ = false;
};
