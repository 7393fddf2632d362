#include "safety_cost.h"

#include "sample_statistics.h"
#include "service_pair.h"

#include <memory>
#include <vector>

namespace {

constexpr int kDeadlines = 5;
constexpr qint64 kMaxOnMicros = 1000000;

// The safeguards of the example configuration that need no broker.
const QStringList kSafeguards{"--output-2-max-on", "20m",         "--interlock",       "3,4",
                              "--interlock-wait",  "500ms",       "--output-5-safe",   "off",
                              "--safe-when-silent", "30m",        "--safe-at-stop",    "yes"};

QString number(double value, int decimals) { return QString::number(value, 'f', decimals); }

// Output 1 on at start for 1 s: from its first request carrying it, the deadline; then the
// first request without it, as the card logged both.
void addDeadlineRow(QList<ResultRow>& rows)
{
    std::vector<double> lateness;
    for (int i = 0; i < kDeadlines; ++i) {
        ServiceOnCard timed(QStringLiteral("timed"), {"--output-1-at-start", "on", "--output-1-max-on", "1s"}, {});
        runEventsFor(1600);
        qint64 on = -1;
        for (const LoggedFrame& frame : readFrameLog(timed.home.filePath("frames"))) {
            if (on < 0 && (frame.mask & 0x80))
                on = frame.micros;
            else if (on >= 0 && !(frame.mask & 0x80)) {
                lateness.push_back(double(frame.micros - on - kMaxOnMicros));
                break;
            }
        }
    }
    const bool all = int(lateness.size()) == kDeadlines;
    rows.push_back({QStringLiteral("a timed output's deadline to the card's request (%1 starts)").arg(kDeadlines),
                    all ? QStringLiteral("median %1 ms, most %2 ms")
                              .arg(number(medianOf(lateness) / 1000, 1), number(percentileOf(lateness, 100) / 1000, 1))
                        : QStringLiteral("%1 of %2 ended").arg(lateness.size()).arg(kDeadlines),
                    QStringLiteral("≤ 100 ms (a poll)"), all && percentileOf(lateness, 100) <= 100000});
}

} // namespace

bool addSafetyRows(QList<ResultRow>& rows, int seconds)
{
    rows.push_back(pairedCostRow(
        QStringLiteral("with the example's safeguards / without"),
        [] { return std::make_unique<ServiceOnCard>(QStringLiteral("guarded"), kSafeguards); },
        [] { return std::make_unique<ServiceOnCard>(QStringLiteral("plain"), QStringList{}); }, seconds, 1.05));
    addDeadlineRow(rows);
    return true;
}
