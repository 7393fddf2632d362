#include "side_by_side_rows.h"

#include "sample_statistics.h"

namespace {

QString number(double value, int decimals) { return QString::number(value, 'f', decimals); }

double perPoll(qint64 count, int polls) { return polls > 0 ? static_cast<double>(count) / polls : 0; }

QString ratio(double panel, double bare)
{
    return bare > 0 ? QStringLiteral("%1 ×").arg(number(panel / bare, 1)) : QStringLiteral("–");
}

} // namespace

namespace {

// What the program that holds the card is aimed at: the panel draws a window; the service
// only polls and answers the bus.
struct Aims {
    const char* who;
    double cpu;       // × the bare poller's CPU
    double wakeups;   // per poll
    double memoryMiB;
};

Aims aimsFor(const SideBySide& run)
{
    if (run.holder == Holder::Service)
        return {"service", 2, 1.5, 15};
    return {"panel", run.sweep ? 5.0 : 3.0, 2, 40};
}

} // namespace

bool addSideBySideRows(QList<ResultRow>& rows, const SideBySide& run)
{
    const Aims aims = aimsFor(run);
    const QString title = QStringLiteral("%1, %2 reply (%3 s)")
                              .arg(run.display, run.sweep ? QStringLiteral("changing") : QStringLiteral("constant"))
                              .arg(number(run.seconds, 0));
    if (!run.panel.started || !run.bare.started) {
        rows.push_back({title, QStringLiteral("the %1 or the bare poller did not run").arg(aims.who), "", false});
        return false;
    }
    const PollerFigures& panel = run.panel;
    const PollerFigures& bare = run.bare;

    const double panelCpu = panel.used.cpuSeconds / run.seconds;
    const double bareCpu = bare.used.cpuSeconds / run.seconds;
    const double cpuAim = aims.cpu;
    rows.push_back({title + QStringLiteral(": CPU share, %1 / bare").arg(aims.who),
                    QStringLiteral("%1 % / %2 % of one core = %3")
                        .arg(number(panelCpu * 100, 3), number(bareCpu * 100, 3), ratio(panelCpu, bareCpu)),
                    QStringLiteral("≤ %1 ×").arg(cpuAim), bareCpu > 0 && panelCpu <= cpuAim * bareCpu});

    const double panelWakeups = perPoll(panel.used.voluntarySwitches, panel.polls);
    const double bareWakeups = perPoll(bare.used.voluntarySwitches, bare.polls);
    rows.push_back({QStringLiteral("  wakeups (voluntary switches, all threads) per poll"),
                    QStringLiteral("%1 / %2 = %3; involuntary %4 / %5 (%6 / %7 polls)")
                        .arg(number(panelWakeups, 2), number(bareWakeups, 2), ratio(panelWakeups, bareWakeups),
                             number(perPoll(panel.used.involuntarySwitches, panel.polls), 3),
                             number(perPoll(bare.used.involuntarySwitches, bare.polls), 3))
                        .arg(panel.polls)
                        .arg(bare.polls),
                    QStringLiteral("≤ %1").arg(aims.wakeups), panel.polls > 0 && panelWakeups <= aims.wakeups});

    const double panelP99 = percentileOf(panel.deviationsMs, 99);
    const double bareP99 = percentileOf(bare.deviationsMs, 99);
    // The panel's aim; the service's is its cost, and its schedule is the same kernel timer's.
    const bool periodAimed = run.holder == Holder::Panel;
    rows.push_back({QStringLiteral("  |period − 100 ms|: median, p99"),
                    QStringLiteral("%1, %2 ms / %3, %4 ms; p99 %5")
                        .arg(number(medianOf(panel.deviationsMs), 3), number(panelP99, 3),
                             number(medianOf(bare.deviationsMs), 3), number(bareP99, 3), ratio(panelP99, bareP99)),
                    periodAimed ? QStringLiteral("p99 ≤ 2 ×") : QString(),
                    !panel.deviationsMs.empty() && (!periodAimed || panelP99 <= 2 * bareP99)});
    rows.push_back({QStringLiteral("  %1 resident memory (VmRSS) at the end").arg(aims.who),
                    QStringLiteral("%1 MiB").arg(number(panel.used.residentKiB / 1024.0, 1)),
                    QStringLiteral("≤ %1 MiB").arg(aims.memoryMiB), panel.used.residentKiB <= aims.memoryMiB * 1024});
    return true;
}
