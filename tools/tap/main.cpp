// pelmora-tap: sits between the panel and the card, forwards their bytes and records
// each frame; with --plot, draws a recording instead.

#include "chart_command.h"
#include "forward_command.h"
#include "plot_command.h"
#include "tap_options.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char* const kProgram = "pelmora-tap";

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], kChartProcessOption) == 0)
        return runChartCommand(argc, argv, std::atoi(argv[2]));
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
    return runForwardCommand(parsed.options);
}
