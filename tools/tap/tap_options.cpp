#include "tap_options.h"

#include <cstdio>

namespace {

constexpr int kSmallestSide = 200;
constexpr int kLargestSide = 10000;

bool parseSize(const std::string& text, int& width, int& height)
{
    int w = 0, h = 0, used = 0;
    if (std::sscanf(text.c_str(), "%5dx%5d%n", &w, &h, &used) != 2 || used != static_cast<int>(text.size()))
        return false;
    if (w < kSmallestSide || h < kSmallestSide || w > kLargestSide || h > kLargestSide)
        return false;
    width = w;
    height = h;
    return true;
}

} // namespace

ParsedTapOptions parseTapOptions(const std::vector<std::string>& args)
{
    ParsedTapOptions parsed;
    TapOptions& o = parsed.options;
    bool sizeGiven = false;
    for (std::size_t i = 0; i < args.size() && parsed.error.empty(); ++i) {
        const std::string& arg = args[i];
        auto nextValue = [&](std::string& value) {
            if (i + 1 >= args.size() || args[i + 1].empty()) {
                parsed.error = arg + " needs a value";
                return false;
            }
            value = args[++i];
            return true;
        };
        std::string size;
        if (arg == "--help" || arg == "-h") {
            parsed.showHelp = true;
        } else if (arg == "--link") {
            nextValue(o.linkPath);
        } else if (arg == "--csv") {
            nextValue(o.csvPath);
        } else if (arg == "--append") {
            o.append = true;
        } else if (arg == "--force") {
            o.force = true;
        } else if (arg == "--plot") {
            nextValue(o.plotPath);
        } else if (arg == "--out") {
            nextValue(o.outPath);
        } else if (arg == "--size") {
            sizeGiven = true;
            if (nextValue(size) && !parseSize(size, o.width, o.height))
                parsed.error = "--size: '" + size + "' is not WIDTHxHEIGHT, each from " + std::to_string(kSmallestSide)
                    + " to " + std::to_string(kLargestSide) + " pixels";
        } else if (arg.size() > 1 && arg[0] == '-') {
            parsed.error = "unknown option '" + arg + "'";
        } else if (o.device.empty()) {
            o.device = arg;
        } else {
            parsed.error = "one device only ('" + o.device + "', then '" + arg + "')";
        }
    }
    if (!parsed.error.empty() || parsed.showHelp)
        return parsed;
    if (o.append && o.force) {
        parsed.error = "--append adds to a recording and --force replaces it: give one of them";
    } else if (o.append && o.csvPath.empty()) {
        parsed.error = "--append goes with --csv FILE";
    } else if (o.force && o.csvPath.empty() && o.plotPath.empty()) {
        parsed.error = "--force goes with --csv FILE, or with --plot and --out";
    } else if (!o.plotPath.empty()) {
        if (o.outPath.empty())
            parsed.error = "--plot needs --out FILE.png";
        else if (!o.device.empty() || !o.linkPath.empty() || !o.csvPath.empty())
            parsed.error = "--plot draws a recording: it takes no device, --link or --csv";
    } else if (!o.outPath.empty() || sizeGiven) {
        parsed.error = "--out and --size go with --plot";
    } else if (o.device.empty()) {
        parsed.error = "no device given (Com1..Com4 or a path)";
    }
    return parsed;
}

std::string tapUsage(const std::string& programName)
{
    return "Usage: " + programName + " [--link PATH] [--csv FILE [--append | --force]] DEVICE\n"
        "       " + programName + " --plot FILE.csv --out FILE.png [--size WxH] [--force]\n"
        "\n"
        "Sits between the panel and the card: opens the card's DEVICE (Com1..Com4, resolved\n"
        "as the panel does, or a device named as the panel names it: /dev/ttyUSB0, ttyUSB0)\n"
        "at 9600 baud 8N1, opens a pseudo-terminal for the panel, forwards every byte both\n"
        "ways unchanged and records each frame as a CSV row. Run the panel with PELMORA_COM1\n"
        "set to the panel's end.\n"
        "\n"
        "  --link PATH      also make PATH a symlink to the panel's end, removed on exit;\n"
        "                   only a symlink or nothing is replaced at PATH\n"
        "  --csv FILE       write the recording to FILE (default: standard output); a FILE\n"
        "                   that already holds something is refused unless one of:\n"
        "  --append         add the rows to the recording already in FILE\n"
        "  --force          replace what is in FILE (with --plot: in the picture's FILE)\n"
        "  --plot FILE      draw a recording as a picture instead of forwarding\n"
        "  --out FILE       the PNG file the picture goes to; never the recording itself,\n"
        "                   and an existing file only with --force\n"
        "  --size WxH       picture size in pixels (default 1280x800)\n"
        "  --help           show this text\n"
        "\n"
        "The panel's end is printed as the first line of standard output, or of standard\n"
        "error when the recording goes to standard output. Forwarding never waits for the\n"
        "recording: if its reader falls behind, rows wait in memory, and beyond that they are\n"
        "left out and counted in a 'rows dropped' row. If the card's device goes away the\n"
        "tap tries it again once a second, with 'device gone' and 'device back' rows.\n"
        "SIGINT, SIGTERM or SIGHUP ends the tap within a second, with every row written that\n"
        "can be; standard error says how many could not.\n"
        "Exit status: 0 when stopped by a signal or when the picture is written, 1 when\n"
        "the device, the pseudo-terminal or a file cannot be opened or read, 2 for a bad\n"
        "command line or a file it will not overwrite.\n";
}
