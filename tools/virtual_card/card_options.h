#pragma once
// Command-line options of the virtual card and their parsing.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct CardOptions {
    std::string linkPath;          // symlink to the slave device, empty for none
    std::uint8_t inputs = 0x00;
    std::uint8_t analog1 = 128;
    std::uint8_t analog2 = 64;
    bool followOutputs = false;
    bool sweep = false;
    std::string logPath;           // empty for no log, "-" for stdout
    std::uint32_t replyDelayUs = 0;
    bool garbage = false;
    std::uint32_t floodHz = 0;     // 0: no unprompted replies
    std::optional<std::uint32_t> seed;
    std::string replayPath;        // a tap recording whose replies are given back, empty for none
    bool replayLoop = false;       // after the last recorded reply start again, rather than repeat it
};

struct ParsedOptions {
    CardOptions options;
    bool showHelp = false;
    std::string error;             // non-empty when the command line is not valid
};

ParsedOptions parseCardOptions(const std::vector<std::string>& args);

std::string cardUsage(const std::string& programName);
