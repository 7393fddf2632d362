// pelmora-tap: sits between the panel and the card, forwards their bytes and records
// each frame; with --plot, draws a recording instead.

#include "card_device.h"
#include "card_terminal.h"
#include "csv_writer.h"
#include "device_link.h"
#include "device_name.h"
#include "forwarding_loop.h"
#include "plot_command.h"
#include "tap_options.h"
#include "tap_row.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

const char* const kProgram = "pelmora-tap";

int fail(const std::string& error)
{
    std::fprintf(stderr, "%s: %s\n", kProgram, error.c_str());
    return 1;
}

int forward(const TapOptions& options)
{
    std::string error;
    CsvWriter csv;
    CardDevice card([name = options.device] { return resolveCardDevice(name); });
    CardTerminal terminal;
    DeviceLink link;
    ForwardingLoop loop(card, csv);
    // Signals are blocked first so a stop that arrives during start-up is not lost.
    if (!loop.prepare(error) || !card.open(error) || !terminal.open(error))
        return fail(error);
    if (!options.linkPath.empty() && !link.create(options.linkPath, terminal.slavePath(), error))
        return fail(error);
    if (!csv.open(options.csvPath, error))
        return fail(error);
    // The recording keeps standard output to itself when it goes there.
    std::FILE* pathStream = options.csvPath.empty() ? stderr : stdout;
    std::fprintf(pathStream, "%s\n", terminal.slavePath().c_str());
    std::fflush(pathStream);
    csv.write(csvHeader());
    if (!loop.run(terminal.master(), error))
        return fail(error);
    return 0;
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
