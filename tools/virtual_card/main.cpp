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

namespace {

const char* const kProgram = "pelmora-virtual-card";

int fail(const std::string& error, int status = 1)
{
    std::fprintf(stderr, "%s: %s\n", kProgram, error.c_str());
    return status;
}

// The replies of a recording, card>panel only, in order; false with `error` if none.
bool recordedReplies(const std::string& path, std::vector<Reply>& replies, std::string& error)
{
    const auto keep = [&](const TapRow& row, std::string_view) {
        if (isRecordedReply(row))
            replies.push_back({row.bytes[0], row.bytes[1], row.bytes[2]});
    };
    const auto warn = [](const std::string& warning) { std::fprintf(stderr, "%s: %s\n", kProgram, warning.c_str()); };
    if (!readRecordingFile(path, keep, warn, error))
        return false;
    if (replies.empty()) {
        error = path + " holds no reply to give back";
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    const ParsedOptions parsed = parseCardOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "%s: %s\nTry '%s --help'.\n", kProgram, parsed.error.c_str(), kProgram);
        return 2;
    }
    if (parsed.showHelp) {
        std::fputs(cardUsage(kProgram).c_str(), stdout);
        return 0;
    }
    const CardOptions& options = parsed.options;
    const std::uint32_t seed = options.seed ? *options.seed : std::random_device{}();

    std::string error;
    std::vector<Reply> recorded;
    if (!options.replayPath.empty() && !recordedReplies(options.replayPath, recorded, error))
        return fail(error);
    FrameLog log;
    CardTerminal terminal;
    DeviceLink link;
    CardLoop loop(options, log, seed, std::move(recorded));
    // Signals are blocked first so a stop that arrives during start-up is not lost.
    if (!loop.prepare(error) || !terminal.open(error))
        return fail(error);
    if (!options.linkPath.empty()) {
        const DeviceLink::Result made = link.create(options.linkPath, terminal.slavePath(), error);
        if (made != DeviceLink::Result::Made)
            return fail(error, made == DeviceLink::Result::Refused ? 2 : 1);
    }
    if (!log.open(options.logPath, error))
        return fail(error);
    std::printf("%s\n", terminal.slavePath().c_str());
    std::fflush(stdout);

    if (!loop.run(terminal, error))
        return fail(error);
    return 0;
}
