// pelmora-tap: sits between the panel and the card, forwards their bytes and records
// each frame; with --plot, draws a recording instead.

#include "background_writer.h"
#include "card_device.h"
#include "card_terminal.h"
#include "clocks.h"
#include "device_link.h"
#include "device_name.h"
#include "forwarding_loop.h"
#include "plot_command.h"
#include "recording_file.h"
#include "tap_options.h"
#include "tap_row.h"

#include <csignal>
#include <memory>
#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

const char* const kProgram = "pelmora-tap";

// Rows waiting for a slow reader: about seven minutes of polling.
constexpr std::size_t kRowQueueBytes = 1024 * 1024;
constexpr std::size_t kMessageQueueBytes = 64 * 1024;
// At the end, the time the rows get to be written, then the time the messages get:
// together well within the second a stop may take.
constexpr std::chrono::milliseconds kRowsDrainTime{400};
constexpr std::chrono::milliseconds kMessagesDrainTime{200};

int fail(const std::string& error, int status = 1)
{
    std::fprintf(stderr, "%s: %s\n", kProgram, error.c_str());
    return status;
}

std::string message(const std::string& text)
{
    return std::string(kProgram) + ": " + text + "\n";
}

ExistingRecording existingRecording(const TapOptions& options)
{
    if (options.append)
        return ExistingRecording::Append;
    return options.force ? ExistingRecording::Replace : ExistingRecording::Refuse;
}

int forward(const TapOptions& options)
{
    // A reader of the recording that goes away, or a file grown past the size limit,
    // must not end the tap: the write just fails.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
    std::string error;
    CardDevice card([name = options.device](std::string& problem) { return resolveCardDevice(name, problem); });
    CardTerminal terminal;
    DeviceLink link;
    RecordingFile file;
    // Shared with the rows' writer, whose thread may outlive this function when abandoned.
    const auto messages = std::make_shared<BackgroundWriter>(STDERR_FILENO, false, kMessageQueueBytes);
    // Signals are blocked first, so a stop that arrives during start-up is not lost and
    // the writers' threads never take one.
    StopSignals stops;
    if (!stops.block(error) || !card.open(error) || !terminal.open(error))
        return fail(error);
    if (!options.linkPath.empty()) {
        const DeviceLink::Result made = link.create(options.linkPath, terminal.slavePath(), error);
        if (made != DeviceLink::Result::Made)
            return fail(error, made == DeviceLink::Result::Refused ? 2 : 1);
    }
    const RecordingFileOpened opened = openRecordingFile(options.csvPath, existingRecording(options), file, error);
    if (opened != RecordingFileOpened::Ready)
        return fail(error, opened == RecordingFileOpened::Refused ? 2 : 1);

    BackgroundWriter::Hooks hooks;
    hooks.failed = [messages, name = file.name](const std::string& reason) {
        messages->add(message("cannot write to " + name + ": " + reason + "; recording stopped, forwarding goes on"));
    };
    hooks.firstDrop = [messages, name = file.name] {
        messages->add(message(name + " is not taking the rows as fast as they come: rows are left out until it "
                             "does, and a 'rows dropped' row counts them"));
    };
    hooks.dropNotice = [](std::uint64_t count) {
        return csvLine({wallMicros(), Direction::None, RowKind::RowsDropped, {}, std::to_string(count)});
    };
    BackgroundWriter rows(file.fd, file.owned, kRowQueueBytes, hooks);
    // The panel's end goes first on standard output, unless the rows have it.
    BackgroundWriter pathOut(STDOUT_FILENO, false, kMessageQueueBytes);
    messages->start();
    rows.start();
    pathOut.start();
    (options.csvPath.empty() ? *messages : pathOut).add(terminal.slavePath() + "\n");
    if (file.needsHeader)
        rows.add(csvHeader());

    ForwardingLoop loop(card, rows, *messages, stops);
    const bool ok = loop.run(terminal, error);
    const BackgroundWriter::Outcome outcome = rows.finish(kRowsDrainTime);
    if (outcome.dropped > 0)
        messages->add(message(std::to_string(outcome.dropped) + " rows were left out while " + file.name
                             + " was not taking them"));
    if (outcome.unwritten > 0)
        messages->add(message(std::to_string(outcome.unwritten) + " rows could not be written to " + file.name));
    if (!ok)
        messages->add(message(error));
    pathOut.finish(std::chrono::milliseconds(50));
    messages->finish(kMessagesDrainTime);
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    const ParsedTapOptions parsed = parseTapOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "%s: %s\nTry '%s --help'.\n", kProgram, parsed.error.c_str(), kProgram);
        return 2;
    }
    if (parsed.showHelp) {
        std::fputs(tapUsage(kProgram).c_str(), stdout);
        return 0;
    }
    if (!parsed.options.plotPath.empty())
        return runPlotCommand(parsed.options, argc, argv);
    return forward(parsed.options);
}
