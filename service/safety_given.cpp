#include "safety_given.h"

#include "card_safety/safety_check.h"
#include "card_safety/safety_options.h"

const QStringList& safetyOptionKeys()
{
    static const QStringList keys = [] {
        QStringList all;
        for (const QString& key : card_safety::safetyKeys()) {
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

QString settleSafety(const GivenSettings& given, card_safety::SafetySettings& safety)
{
    for (auto it = given.cbegin(); it != given.cend(); ++it) {
        if (!card_safety::isSafetyKey(it.key()))
            continue;
        if (const QString problem = card_safety::readSafetyOption(it.key(), it.value().value, safety); !problem.isEmpty())
            return QStringLiteral("%1: %2").arg(it.value().where, problem);
    }
    if (const std::optional<card_safety::SafetyConflict> conflict = card_safety::checkSafety(safety))
        return QStringLiteral("%1: %2").arg(given.value(conflict->key).where, conflict->words);
    return {};
}
