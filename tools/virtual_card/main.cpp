// pelmora-virtual-card: stands in for the I/O card on a pseudo-terminal.

#include "card_loop.h"
#include "card_options.h"
#include "card_terminal.h"
#include "device_link.h"
#include "frame_log.h"
#include "recording_reader.h"

#include <cstdio>
#include <random>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    const std::string program = "pelmora-virtual-card";
    const ParsedOptions parsed = parseCardOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "%s: %s\nTry '%s --help'.\n", program.c_str(), parsed.error.c_str(), program.c_str());
        return 2;
    }
    if (parsed.showHelp) {
        std::fputs(cardUsage(program).c_str(), stdout);
        return 0;
    }
    const CardOptions& options = parsed.options;
    const std::uint32_t seed = options.seed ? *options.seed : std::random_device{}();

    std::string error;
    std::vector<Reply> recorded;
    if (!options.replayPath.empty()) {
        std::vector<RecordedRow> rows;
        if (!readRecording(options.replayPath, rows, error)) {
            std::fprintf(stderr, "%s: %s\n", program.c_str(), error.c_str());
            return 1;
        }
        for (const std::vector<std::uint8_t>& reply : recordedReplies(rows))
            recorded.push_back({reply[0], reply[1], reply[2]});
        if (recorded.empty()) {
            std::fprintf(stderr, "%s: %s holds no reply to give back\n", program.c_str(), options.replayPath.c_str());
            return 1;
        }
    }
    FrameLog log;
    CardTerminal terminal;
    DeviceLink link;
    CardLoop loop(options, log, seed, std::move(recorded));
    // Signals are blocked first so a stop that arrives during start-up is not lost.
    bool ok = loop.prepare(error) && terminal.open(error);
    if (ok && !options.linkPath.empty())
        ok = link.create(options.linkPath, terminal.slavePath(), error);
    if (ok)
        ok = log.open(options.logPath, error);
    if (!ok) {
        std::fprintf(stderr, "%s: %s\n", program.c_str(), error.c_str());
        return 1;
    }
    std::printf("%s\n", terminal.slavePath().c_str());
    std::fflush(stdout);

    if (!loop.run(terminal.master(), error)) {
        std::fprintf(stderr, "%s: %s\n", program.c_str(), error.c_str());
        return 1;
    }
    return 0;
}
