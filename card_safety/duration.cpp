#include "duration.h"

#include <QRegularExpression>

#include <cmath>

namespace card_safety {
namespace {

// Longer than this is surely a slip, and a deadline that far away would not fit the clock.
constexpr std::chrono::hours kLongest{24 * 366};

double unitMilliseconds(const QString& unit)
{
    if (unit == QLatin1String("ms"))
        return 1;
    if (unit == QLatin1String("s"))
        return 1000;
    return unit == QLatin1String("m") ? 60'000 : 3'600'000;
}

} // namespace

QString readDuration(const QString& text, Duration& into, bool zeroAllowed)
{
    static const QRegularExpression form(QStringLiteral("^([0-9]+(?:\\.[0-9]+)?) *(ms|s|m|h)$"));
    const QRegularExpressionMatch match = form.match(text);
    if (zeroAllowed && text == QLatin1String("0")) {
        into = Duration::zero();
        return {};
    }
    if (!match.hasMatch())
        return QStringLiteral("'%1' is not a duration: a number with ms, s, m or h (500ms, 10s, 5m, 2h)").arg(text);
    const double milliseconds = match.captured(1).toDouble() * unitMilliseconds(match.captured(2));
    if (milliseconds > double(Duration(kLongest).count()))
        return QStringLiteral("'%1' is longer than a year").arg(text);
    const Duration duration(std::llround(milliseconds));
    if (duration == Duration::zero() && !(zeroAllowed && milliseconds == 0))
        return milliseconds == 0 ? QStringLiteral("'%1' is not above 0").arg(text)
                                 : QStringLiteral("'%1' is shorter than a millisecond").arg(text);
    into = duration;
    return {};
}

QString durationText(Duration duration)
{
    const long long ms = duration.count();
    if (ms != 0 && ms % 3'600'000 == 0)
        return QStringLiteral("%1h").arg(ms / 3'600'000);
    if (ms != 0 && ms % 60'000 == 0)
        return QStringLiteral("%1m").arg(ms / 60'000);
    if (ms != 0 && ms % 1000 == 0)
        return QStringLiteral("%1s").arg(ms / 1000);
    return QStringLiteral("%1ms").arg(ms);
}

} // namespace card_safety
