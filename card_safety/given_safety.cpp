#include "given_safety.h"

#include "safety_check.h"
#include "safety_options.h"

namespace card_safety {

const QStringList& safetyOptionKeys()
{
    static const QStringList keys = [] {
        QStringList all;
        for (const QString& key : safetyKeys()) {
            if (!key.contains(QLatin1String("-N-"))) {
                all << key;
                continue;
            }
            for (int n = 1; n <= 8; ++n)
                all << QString(key).replace(QLatin1String("-N-"), QStringLiteral("-%1-").arg(n));
        }
        return all;
    }();
    return keys;
}

QString settleSafety(const GivenSettings& given, SafetySettings& safety)
{
    for (auto it = given.cbegin(); it != given.cend(); ++it) {
        if (!isSafetyKey(it.key()))
            continue;
        if (const QString problem = readSafetyOption(it.key(), it.value().value, safety); !problem.isEmpty())
            return QStringLiteral("%1: %2").arg(it.value().where, problem);
    }
    if (const std::optional<SafetyConflict> conflict = checkSafety(safety))
        return QStringLiteral("%1: %2").arg(given.value(conflict->key).where, conflict->words);
    return {};
}

} // namespace card_safety
