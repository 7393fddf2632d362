#include "tap_options.h"

#include "platform/process/option_parser.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr int kSmallestSide = 200;
constexpr int kLargestSide = 10000;
constexpr int kShortestWindow = 5;
constexpr int kLongestWindow = 3600;

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

bool parseSeconds(const std::string& text, int& seconds)
{
    int value = 0, used = 0;
    if (std::sscanf(text.c_str(), "%5d%n", &value, &used) != 1 || used != static_cast<int>(text.size()))
        return false;
    if (value < kShortestWindow || value > kLongestWindow)
        return false;
    seconds = value;
    return true;
}

// Every option the tap takes. What --help shows is tapUsage's text, not Qt's.
QList<QCommandLineOption> tapOptionList()
{
    const auto flag = [](const char* name) { return QCommandLineOption(QString::fromLatin1(name)); };
    const auto valued = [](const char* name) {
        return QCommandLineOption(QString::fromLatin1(name), QString(), QStringLiteral("VALUE"));
    };
    return {QCommandLineOption(QStringList{QStringLiteral("h"), QStringLiteral("help")}),
            flag("append"), flag("force"), flag("record"), flag("panel"), flag("live"),
            valued("link"), valued("csv"), valued("window"), valued("plot"), valued("out"), valued("size")};
}

// A value the tap reads as it is (a path): the last one given, none of them empty.
std::string readText(const OptionParser& line, const char* name, std::string& text)
{
    for (const std::string& value : line.values(name)) {
        if (value.empty())
            return std::string("--") + name + " needs a value";
        text = value;
    }
    return {};
}

std::string readWindow(const OptionParser& line, int& seconds)
{
    for (const std::string& value : line.values("window")) {
        if (value.empty())
            return "--window needs a value";
        if (!parseSeconds(value, seconds))
            return "--window: '" + value + "' is not a whole number of seconds from " + std::to_string(kShortestWindow)
                + " to " + std::to_string(kLongestWindow);
    }
    return {};
}

std::string readSize(const OptionParser& line, int& width, int& height)
{
    for (const std::string& value : line.values("size")) {
        if (value.empty())
            return "--size needs a value";
        if (!parseSize(value, width, height))
            return "--size: '" + value + "' is not WIDTHxHEIGHT, each from " + std::to_string(kSmallestSide) + " to "
                + std::to_string(kLargestSide) + " pixels";
    }
    return {};
}

// The card's device: the one argument that is neither an option nor a value. Empty
// arguments before it are passed over.
std::string readDevice(const OptionParser& line, std::string& device)
{
    const std::vector<std::string> given = line.positional();
    const auto first = std::find_if(given.begin(), given.end(), [](const std::string& g) { return !g.empty(); });
    if (first == given.end())
        return {};
    device = *first;
    if (first + 1 == given.end())
        return {};
    return "one device only ('" + device + "', then '" + *(first + 1) + "')";
}

// Reads every option into `o`; why one cannot be read, if one cannot.
std::string readOptions(const OptionParser& line, TapOptions& o)
{
    o.append = line.isSet("append");
    o.force = line.isSet("force");
    o.record = line.isSet("record");
    o.panel = line.isSet("panel");
    o.live = line.isSet("live");
    const std::string problems[] = {
        readText(line, "link", o.linkPath), readText(line, "csv", o.csvPath),
        readWindow(line, o.windowSeconds),  readText(line, "plot", o.plotPath),
        readText(line, "out", o.outPath),   readSize(line, o.width, o.height),
        readDevice(line, o.device),
    };
    for (const std::string& problem : problems) {
        if (!problem.empty())
            return problem;
    }
    return {};
}

// Why the options read cannot go together, if they cannot.
std::string combinationProblem(const TapOptions& o, bool windowGiven, bool sizeGiven)
{
    if (o.append && o.force)
        return "--append adds to a recording and --force replaces it: give one of them";
    if (o.record && !o.csvPath.empty())
        return "--record makes a file of its own: give --record or --csv FILE, not both";
    if (o.record && (o.append || o.force))
        return "--record always makes a new file: it takes no --append or --force";
    if (o.append && o.csvPath.empty())
        return "--append goes with --csv FILE";
    if (o.force && o.csvPath.empty() && o.plotPath.empty())
        return "--force goes with --csv FILE, or with --plot and --out";
    if (!o.plotPath.empty() && o.outPath.empty())
        return "--plot needs --out FILE.png";
    if (!o.plotPath.empty()
        && (!o.device.empty() || !o.linkPath.empty() || !o.csvPath.empty() || o.record || o.panel || o.live
            || windowGiven))
        return "--plot draws a recording: it takes no device, --link, --csv, --record, --panel or --live";
    if (!o.plotPath.empty())
        return {};
    if (!o.outPath.empty() || sizeGiven)
        return "--out and --size go with --plot";
    if (windowGiven && !o.live)
        return "--window goes with --live";
    if (o.device.empty() && !o.panel)
        return "no device given (Com1..Com4, a path, or a card on another machine: rfc2217://HOST:PORT)";
    return {};
}

} // namespace

ParsedTapOptions parseTapOptions(const std::vector<std::string>& args)
{
    ParsedTapOptions parsed;
    TapOptions& o = parsed.options;
    OptionParser line(tapOptionList());
    parsed.error = line.parse(args);
    if (parsed.error.empty())
        parsed.error = readOptions(line, o);
    parsed.showHelp = line.isSet("help");
    if (!parsed.error.empty() || parsed.showHelp)
        return parsed;
    parsed.error = combinationProblem(o, line.isSet("window"), line.isSet("size"));
    if (parsed.error.empty() && o.device.empty() && o.panel)
        o.device = "Com1";
    return parsed;
}

std::string tapUsage(const std::string& programName)
{
    return "Usage: " + programName + " [OPTIONS] DEVICE\n"
        "       " + programName + " --panel [OPTIONS] [DEVICE]\n"
        "       " + programName + " --plot FILE.csv --out FILE.png [--size WxH] [--force]\n"
        "\n"
        "Sits between the panel and the card: opens the card's DEVICE (Com1..Com4, resolved\n"
        "as the panel does, a device named as the panel names it: /dev/ttyUSB0, ttyUSB0, or a\n"
        "card on another machine behind ser2net: rfc2217://HOST:PORT, socket://HOST:PORT)\n"
        "at 9600 baud 8N1, opens a pseudo-terminal for the panel, forwards every byte both\n"
        "ways unchanged and records each frame as a CSV row. Run the panel with PELMORA_COM1\n"
        "set to the panel's end, or let the tap start it with --panel.\n"
        "\n"
        "  --panel          start the panel with the tap's end as its Com1 and end, with\n"
        "                   every row written, when the panel ends (Esci, or otherwise);\n"
        "                   DEVICE defaults to Com1. The panel is the 'pelmora' in this\n"
        "                   program's own folder if there is one, else the first on PATH\n"
        "  --link PATH      also make PATH a symlink to the panel's end, removed on exit;\n"
        "                   only a symlink or nothing is replaced at PATH\n"
        "  --csv FILE       write the recording to FILE (default: standard output); a FILE\n"
        "                   that already holds something is refused unless one of:\n"
        "  --append         add the rows to the recording already in FILE\n"
        "  --force          replace what is in FILE (with --plot: in the picture's FILE)\n"
        "  --record         write the recording to a new file pelmora-YYYYMMDD-HHMMSS.csv\n"
        "                   in the folder Pelmora of the documents folder (XDG_DOCUMENTS_DIR,\n"
        "                   usually ~/Documents), made when missing; never an existing file\n"
        "  --live           show the frames in a window as they pass: both analogue inputs\n"
        "                   over the last seconds, the outputs and inputs as digital traces\n"
        "                   and the values now; closing it, or losing the display, ends\n"
        "                   only the chart: forwarding and recording go on\n"
        "  --window SECONDS how far back the live chart goes, 5 to 3600 (default 60)\n"
        "  --plot FILE      draw a recording as a picture instead of forwarding\n"
        "  --out FILE       the PNG file the picture goes to; never the recording itself,\n"
        "                   and an existing file only with --force\n"
        "  --size WxH       picture size in pixels (default 1280x800)\n"
        "  --help           show this text\n"
        "\n"
        "The panel's end is printed as the first line of standard output, or of standard\n"
        "error when the recording goes to standard output. Forwarding never waits for the\n"
        "recording or the chart: if a reader falls behind, rows wait in memory, and beyond\n"
        "that they are left out and counted in a 'rows dropped' row. If the card's device\n"
        "goes away the tap tries it again once a second, with 'device gone' and 'device\n"
        "back' rows. With --panel, a card that cannot be opened at the start is tried the\n"
        "same way, and the panel tells why in its ERRORE box (see the manual page).\n"
        "SIGINT, SIGTERM or SIGHUP ends the tap within a second, with every row written that\n"
        "can be; standard error says how many could not. A panel it started keeps running,\n"
        "Ctrl-C in the terminal and a closed terminal included.\n"
        "Exit status: with --panel, the panel's own when it ends (128 + the signal's number\n"
        "when a signal ended it); otherwise 0 when stopped by a signal or when the picture\n"
        "is written, 1 when the device, the pseudo-terminal, the panel or a file cannot be\n"
        "opened, started or read, 2 for a bad command line or a file it will not overwrite.\n";
}
