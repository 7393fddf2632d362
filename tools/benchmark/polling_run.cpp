#include "polling_run.h"

#include "bare_writer.h"
#include "card_and_panel_processes.h"
#include "clocks.h"
#include "in_process_panel.h"

#include <QTemporaryDir>

namespace {

// Periods between consecutive logged requests, from the first logged after `sinceMicros`.
std::vector<double> periods_since(const QString& log, double sinceMicros)
{
    std::vector<double> periods;
    const QList<LoggedFrame> frames = read_frame_log(log);
    for (qsizetype i = 1; i < frames.size(); ++i) {
        if (frames[i - 1].micros >= sinceMicros)
            periods.push_back(static_cast<double>(frames[i].micros - frames[i - 1].micros) / 1000.0);
    }
    return periods;
}

} // namespace

PollingRun run_polling_program(int seconds)
{
    PollingRun run;
    QTemporaryDir dir;
    const QString log = dir.filePath("frames.log");
    const QString bareLog = dir.filePath("bare-frames.log");
    VirtualCard card({"--follow-outputs", "--sweep", "--log", log});
    VirtualCard bareCard({"--sweep", "--log", bareLog});
    if (card.device().isEmpty())
        return run;
    PanelProcess panel(card.device());
    BareWriter bare(bareCard.device().toStdString());
    runEventsFor(1500);  // start-up: libraries, first paint, first requests
    if (panel.process().state() != QProcess::Running)
        return run;

    const double cpuBefore = process_cpu_seconds(panel.pid());
    const double wallBefore = monotonic_micros();
    runEventsFor(seconds * 1000);
    const double cpuAfter = process_cpu_seconds(panel.pid());
    const double wallAfter = monotonic_micros();
    run.residentMiB = static_cast<double>(process_resident_kib(panel.pid())) / 1024.0;
    run.seconds = (wallAfter - wallBefore) / 1e6;
    run.cpuShare = (cpuAfter - cpuBefore) / run.seconds;
    run.started = panel.process().state() == QProcess::Running;

    run.periodsMs = periods_since(log, wallBefore);
    if (bare.started())
        run.barePeriodsMs = periods_since(bareLog, wallBefore);
    return run;
}
