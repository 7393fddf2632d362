#include "card_options.h"

#include "platform/process/option_parser.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>

namespace {

// Reads a decimal or 0x-prefixed hexadecimal number no larger than `max`.
bool parseNumber(const std::string& text, unsigned long long max, unsigned long long& value)
{
    int base = 10;
    std::string digits = text;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        base = 16;
        digits = digits.substr(2);
    }
    if (digits.empty() || digits[0] == '-' || digits[0] == '+' || digits[0] == ' ')
        return false;
    errno = 0;
    char* end = nullptr;
    value = std::strtoull(digits.c_str(), &end, base);
    return errno == 0 && *end == '\0' && value <= max;
}

// Every option the virtual card takes. What --help shows is cardUsage's text, not Qt's.
QList<QCommandLineOption> cardOptionList()
{
    const auto flag = [](const char* name) { return QCommandLineOption(QString::fromLatin1(name)); };
    const auto valued = [](const char* name) {
        return QCommandLineOption(QString::fromLatin1(name), QString(), QStringLiteral("VALUE"));
    };
    return {QCommandLineOption(QStringList{QStringLiteral("h"), QStringLiteral("help")}),
            flag("follow-outputs"), flag("sweep"), flag("garbage"), flag("loop"),
            valued("link"), valued("inputs"), valued("analog1"), valued("analog2"), valued("log"),
            valued("reply-delay-us"), valued("flood"), valued("seed"), valued("replay")};
}

// Every value of the number option `name`, in order; none, with `error` set, when one
// is not a number up to `max` (or none when `error` was set already).
std::vector<unsigned long long> numbers(const OptionParser& line, const char* name, unsigned long long max,
                                        std::string& error)
{
    std::vector<unsigned long long> read;
    if (!error.empty())
        return read;
    for (const std::string& text : line.values(name)) {
        unsigned long long value = 0;
        if (!parseNumber(text, max, value)) {
            error = std::string("--") + name + ": '" + text + "' is not a number from 0 to " + std::to_string(max);
            return {};
        }
        read.push_back(value);
    }
    return read;
}

// Reads the number options into `o`; why one cannot be read, if one cannot.
std::string readNumbers(const OptionParser& line, CardOptions& o)
{
    std::string error;
    if (const auto n = numbers(line, "inputs", 0xFF, error); error.empty() && !n.empty())
        o.inputs = static_cast<std::uint8_t>(n.back());
    if (const auto n = numbers(line, "analog1", 0xFF, error); error.empty() && !n.empty())
        o.analog1 = static_cast<std::uint8_t>(n.back());
    if (const auto n = numbers(line, "analog2", 0xFF, error); error.empty() && !n.empty())
        o.analog2 = static_cast<std::uint8_t>(n.back());
    if (const auto n = numbers(line, "reply-delay-us", 10'000'000, error); error.empty() && !n.empty())
        o.replyDelayUs = static_cast<std::uint32_t>(n.back());
    if (const auto n = numbers(line, "seed", 0xFFFFFFFFull, error); error.empty() && !n.empty())
        o.seed = static_cast<std::uint32_t>(n.back());
    const auto flood = numbers(line, "flood", 100'000, error);
    if (error.empty() && std::find(flood.begin(), flood.end(), 0) != flood.end())
        error = "--flood needs a rate of at least 1 Hz";
    if (error.empty() && !flood.empty())
        o.floodHz = static_cast<std::uint32_t>(flood.back());
    return error;
}

// Reads every option into `o`; why one cannot be read, if one cannot.
std::string readOptions(const OptionParser& line, CardOptions& o)
{
    const std::vector<std::string> stray = line.positional();
    if (!stray.empty())
        return "unknown option '" + stray.front() + "'";
    const auto last = [&line](const char* name) {
        const std::vector<std::string> values = line.values(name);
        return values.empty() ? std::string() : values.back();
    };
    o.linkPath = last("link");
    o.logPath = last("log");
    o.replayPath = last("replay");
    o.followOutputs = line.isSet("follow-outputs");
    o.sweep = line.isSet("sweep");
    o.garbage = line.isSet("garbage");
    o.replayLoop = line.isSet("loop");
    return readNumbers(line, o);
}

// Why the options read cannot go together, if they cannot.
std::string combinationProblem(const CardOptions& o)
{
    if (o.replayLoop && o.replayPath.empty())
        return "--loop goes with --replay";
    if (!o.replayPath.empty() && (o.sweep || o.garbage || o.followOutputs))
        return "--replay answers what was recorded: it does not go with --sweep, --garbage or --follow-outputs";
    return {};
}

} // namespace

ParsedOptions parseCardOptions(const std::vector<std::string>& args)
{
    ParsedOptions parsed;
    OptionParser line(cardOptionList());
    parsed.error = line.parse(args);
    if (parsed.error.empty())
        parsed.error = readOptions(line, parsed.options);
    if (parsed.error.empty())
        parsed.error = combinationProblem(parsed.options);
    parsed.showHelp = line.isSet("help");
    return parsed;
}

std::string cardUsage(const std::string& programName)
{
    return "Usage: " + programName + " [options]\n"
        "Stands in for the I/O card on a pseudo-terminal. Prints the device path to open\n"
        "as the first line of output, then answers each request 2A 2A <outputs> 23 with\n"
        "<inputs> <analogue 1> <analogue 2>.\n"
        "\n"
        "  --link PATH           also make PATH a symlink to the device, removed on exit; only\n"
        "                        a symlink or nothing is replaced at PATH\n"
        "  --inputs N            input mask to answer (default 0x00)\n"
        "  --analog1 N           analogue 1 raw byte, 0..255 (default 128)\n"
        "  --analog2 N           analogue 2 raw byte, 0..255 (default 64)\n"
        "  --follow-outputs      light input n for each output n the last request turned on\n"
        "                        (the output mask with its bit order reversed)\n"
        "  --sweep               analogue values sweep 0..255..0 over 10 s, channel 2 opposite\n"
        "  --log FILE            write '<monotonic us> <mask>' per request received (- = stdout)\n"
        "  --reply-delay-us N    wait N microseconds before each reply (default 0)\n"
        "  --garbage             answer with 0..8 random bytes instead of a reply\n"
        "  --flood HZ            also send replies unprompted HZ times a second\n"
        "  --seed N              seed for the random bytes (default: random)\n"
        "  --replay FILE.csv     answer each request with the next reply the card sent in a\n"
        "                        recording of pelmora-tap (its card>panel reply rows);\n"
        "                        after the last one, keep answering it\n"
        "  --loop                with --replay, start again from the first reply after the last\n"
        "  --help                show this text\n"
        "Numbers are decimal or 0x hexadecimal. After each program that used the device\n"
        "closes it, the device is free for the next, even if that one took it for itself.\n"
        "Exit status: 0 when stopped by SIGINT, SIGTERM or SIGHUP, 1 when the pseudo-terminal,\n"
        "the link, the log or the recording cannot be used, 2 for a bad command line or a\n"
        "--link PATH that is something other than a symlink.\n";
}
