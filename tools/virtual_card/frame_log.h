#pragma once
// One line per request received: "<monotonic microseconds> <mask in decimal>", flushed at once.

#include <cstdint>
#include <cstdio>
#include <string>

class FrameLog {
public:
    FrameLog() = default;
    ~FrameLog();
    FrameLog(const FrameLog&) = delete;
    FrameLog& operator=(const FrameLog&) = delete;

    // "-" logs to stdout; an empty path logs nothing.
    bool open(const std::string& path, std::string& error);
    void write(std::int64_t timeUs, std::uint8_t mask);

private:
    std::FILE* file_ = nullptr;
    bool owned_ = false;
};
