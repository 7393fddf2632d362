#include "safety_cost.h"

#include "card_and_panel_processes.h"
#include "measured_program.h"
#include "process_usage.h"
#include "sample_statistics.h"

#include <QTemporaryDir>

#include <memory>
#include <vector>

namespace {

constexpr int kRounds = 3;
constexpr int kDeadlines = 5;
constexpr qint64 kMaxOnMicros = 1000000;

// The safeguards of the example configuration that need no broker.
const QStringList kSafeguards{"--output-2-max-on", "20m",         "--interlock",       "3,4",
                              "--interlock-wait",  "500ms",       "--output-5-safe",   "off",
                              "--safe-when-silent", "30m",        "--safe-at-stop",    "yes"};

QString number(double value, int decimals) { return QString::number(value, 'f', decimals); }

struct GuardedService {
    GuardedService(const QString& name, const QStringList& more, const QStringList& cardOptions = {"--sweep"})
        : card(cardOptions + QStringList{"--log", home.filePath("frames")})
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_STATE_HOME"), home.path());
        program = std::make_unique<MeasuredProgram>(QStringLiteral(PELMORA_BIN_DIR "/pelmorad"),
                                                    QStringList{card.device(), QStringLiteral("--name"), name} + more,
                                                    environment);
    }
    QTemporaryDir home;
    VirtualCard card;
    std::unique_ptr<MeasuredProgram> program;
};

void addCostRow(QList<ResultRow>& rows, int seconds)
{
    std::vector<double> ratios, withShares, withoutShares;
    for (int round = 0; round < kRounds; ++round) {
        GuardedService with(QStringLiteral("guarded"), kSafeguards);
        GuardedService without(QStringLiteral("plain"), {});
        runEventsFor(2000);
        const ProcessUsage withBefore = processUsage(with.program->pid());
        const ProcessUsage withoutBefore = processUsage(without.program->pid());
        runEventsFor(seconds * 1000 / kRounds);
        withShares.push_back((processUsage(with.program->pid()) - withBefore).cpuSeconds);
        withoutShares.push_back((processUsage(without.program->pid()) - withoutBefore).cpuSeconds);
        if (withoutShares.back() > 0)
            ratios.push_back(withShares.back() / withoutShares.back());
    }
    const double ratio = medianOf(ratios);
    const double roundSeconds = double(seconds) / kRounds;
    rows.push_back({QStringLiteral("pelmorad with the example's safeguards / without, changing readings (%1 rounds of %2 s)")
                        .arg(kRounds)
                        .arg(number(roundSeconds, 0)),
                    QStringLiteral("%1 % / %2 % of one core (medians) = %3 × (rounds %4 … %5 ×)")
                        .arg(number(medianOf(withShares) / roundSeconds * 100, 3),
                             number(medianOf(withoutShares) / roundSeconds * 100, 3), number(ratio, 2),
                             number(percentileOf(ratios, 0), 2), number(percentileOf(ratios, 100), 2)),
                    QStringLiteral("≤ 1.05 ×"), int(ratios.size()) == kRounds && ratio <= 1.05});
}

// Output 1 on at start for 1 s: from its first request carrying it, the deadline; then the
// first request without it, as the card logged both.
void addDeadlineRow(QList<ResultRow>& rows)
{
    std::vector<double> lateness;
    for (int i = 0; i < kDeadlines; ++i) {
        GuardedService timed(QStringLiteral("timed"), {"--output-1-at-start", "on", "--output-1-max-on", "1s"}, {});
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
    addCostRow(rows, seconds);
    addDeadlineRow(rows);
    return true;
}
