#include "card_options.h"

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

} // namespace

ParsedOptions parseCardOptions(const std::vector<std::string>& args)
{
    ParsedOptions parsed;
    CardOptions& o = parsed.options;
    for (std::size_t i = 0; i < args.size() && parsed.error.empty(); ++i) {
        const std::string& arg = args[i];
        auto nextValue = [&](std::string& value) {
            if (i + 1 >= args.size()) {
                parsed.error = arg + " needs a value";
                return false;
            }
            value = args[++i];
            return true;
        };
        auto nextNumber = [&](unsigned long long max, unsigned long long& value) {
            std::string text;
            if (!nextValue(text))
                return false;
            if (!parseNumber(text, max, value)) {
                parsed.error = arg + ": '" + text + "' is not a number from 0 to " + std::to_string(max);
                return false;
            }
            return true;
        };
        unsigned long long n = 0;
        if (arg == "--help" || arg == "-h") {
            parsed.showHelp = true;
        } else if (arg == "--link") {
            nextValue(o.linkPath);
        } else if (arg == "--inputs") {
            if (nextNumber(0xFF, n)) o.inputs = static_cast<std::uint8_t>(n);
        } else if (arg == "--analog1") {
            if (nextNumber(0xFF, n)) o.analog1 = static_cast<std::uint8_t>(n);
        } else if (arg == "--analog2") {
            if (nextNumber(0xFF, n)) o.analog2 = static_cast<std::uint8_t>(n);
        } else if (arg == "--follow-outputs") {
            o.followOutputs = true;
        } else if (arg == "--sweep") {
            o.sweep = true;
        } else if (arg == "--log") {
            nextValue(o.logPath);
        } else if (arg == "--reply-delay-us") {
            if (nextNumber(10'000'000, n)) o.replyDelayUs = static_cast<std::uint32_t>(n);
        } else if (arg == "--garbage") {
            o.garbage = true;
        } else if (arg == "--flood") {
            if (nextNumber(100'000, n)) {
                if (n == 0)
                    parsed.error = "--flood needs a rate of at least 1 Hz";
                o.floodHz = static_cast<std::uint32_t>(n);
            }
        } else if (arg == "--seed") {
            if (nextNumber(0xFFFFFFFFull, n)) o.seed = static_cast<std::uint32_t>(n);
        } else if (arg == "--replay") {
            nextValue(o.replayPath);
        } else if (arg == "--loop") {
            o.replayLoop = true;
        } else {
            parsed.error = "unknown option '" + arg + "'";
        }
    }
    if (parsed.error.empty() && o.replayLoop && o.replayPath.empty())
        parsed.error = "--loop goes with --replay";
    if (parsed.error.empty() && !o.replayPath.empty() && (o.sweep || o.garbage || o.followOutputs))
        parsed.error = "--replay answers what was recorded: it does not go with --sweep, --garbage or "
                       "--follow-outputs";
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
