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
    if (!o.plotPath.empty()) {
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
    return "Usage: " + programName + " [--link PATH] [--csv FILE] DEVICE\n"
        "       " + programName + " --plot FILE.csv --out FILE.png [--size WxH]\n"
        "\n"
        "Sits between the panel and the card: opens the card's DEVICE (Com1..Com4, resolved\n"
        "as the panel does, or a device path) at 9600 baud 8N1, opens a pseudo-terminal for\n"
        "the panel, forwards every byte both ways unchanged and records each frame as a\n"
        "CSV row. Run the panel with PELMORA_COM1 set to the panel's end.\n"
        "\n"
        "  --link PATH      also make PATH a symlink to the panel's end (removed on exit)\n"
        "  --csv FILE       write the recording to FILE (default: standard output)\n"
        "  --plot FILE      draw a recording as a picture instead of forwarding\n"
        "  --out FILE       the PNG file the picture goes to\n"
        "  --size WxH       picture size in pixels (default 1280x800)\n"
        "  --help           show this text\n"
        "\n"
        "The panel's end is printed as the first line of standard output, or of standard\n"
        "error when the recording goes to standard output. SIGINT or SIGTERM ends the tap\n"
        "with the recording complete. If the card's device goes away the tap tries it again\n"
        "once a second.\n"
        "Exit status: 0 when stopped by a signal or when the picture is written, 1 when\n"
        "the device, the pseudo-terminal or a file cannot be opened, 2 for a bad command line.\n";
}
