#include "safety_check.h"

#include <functional>

namespace card_safety {
namespace {

// Two outputs of one group for which `both` holds: the later one's key ("output-N-WHAT")
// names the conflict, with `words` after "outputs A and B are interlocked: ".
std::optional<SafetyConflict> pairWhere(const SafetySettings& settings, const std::function<bool(const OutputSafety&)>& both,
                                        const char* what, const char* words)
{
    for (const std::vector<int>& group : settings.interlocks) {
        int first = -1;
        for (const int channel : group) {
            if (!both(settings.outputs[size_t(channel)]))
                continue;
            if (first < 0) {
                first = channel;
                continue;
            }
            return SafetyConflict{QStringLiteral("output-%1-%2").arg(channel + 1).arg(QLatin1String(what)),
                                  QStringLiteral("outputs %1 and %2 are interlocked: %3")
                                      .arg(first + 1)
                                      .arg(channel + 1)
                                      .arg(QLatin1String(words))};
        }
    }
    return std::nullopt;
}

} // namespace

std::optional<SafetyConflict> checkSafety(const SafetySettings& settings)
{
    int grouped = 0;
    for (const std::vector<int>& group : settings.interlocks) {
        for (const int channel : group) {
            if (grouped & outputBit(channel))
                return SafetyConflict{QStringLiteral("interlock"),
                                      QStringLiteral("output %1 is in two groups of the interlock").arg(channel + 1)};
            grouped |= outputBit(channel);
        }
    }
    if (auto onAtStart = pairWhere(
            settings, [](const OutputSafety& output) { return output.atStart == AtStart::On; }, "at-start",
            "they cannot both be on at start"))
        return onAtStart;
    return pairWhere(
        settings, [](const OutputSafety& output) { return output.safe == SafeAction::On; }, "safe",
        "the safe state cannot turn both on");
}

} // namespace card_safety
