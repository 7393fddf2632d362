#include "side_by_side.h"

#include "card_and_panel_processes.h"
#include "platform/process/clocks.h"
#include "measured_program.h"

#include <QProcess>
#include <QTemporaryDir>

#include <cmath>
#include <memory>

namespace {

QStringList virtualCardOptions(const QString& log, bool sweep)
{
    QStringList options{QStringLiteral("--log"), log};
    if (sweep)
        options << QStringLiteral("--sweep");
    return options;
}

// The requests a card logged between two moments, and the periods between them.
void readPolls(const QString& log, double fromMicros, double toMicros, PollerFigures& figures)
{
    const QList<LoggedFrame> frames = readFrameLog(log);
    for (qsizetype i = 0; i < frames.size(); ++i) {
        if (frames[i].micros < fromMicros || frames[i].micros > toMicros)
            continue;
        ++figures.polls;
        if (i > 0 && frames[i - 1].micros >= fromMicros)
            figures.deviationsMs.push_back(std::fabs((frames[i].micros - frames[i - 1].micros) / 1000.0 - 100.0));
    }
}

// The program that holds the card on `device`, as the benchmark starts it.
std::unique_ptr<MeasuredProgram> startHolder(Holder holder, const QString& device, const QByteArray& display,
                                             const QTemporaryDir& home)
{
    if (holder == Holder::Panel)
        return std::make_unique<MeasuredProgram>(QStringLiteral(PELMORA_BIN_DIR "/pelmora"), QStringList{},
                                                 panelEnvironment(device, display, home));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_STATE_HOME"), home.path());
    return std::make_unique<MeasuredProgram>(QStringLiteral(PELMORA_BIN_DIR "/pelmorad"),
                                             QStringList{device, QStringLiteral("--name"), QStringLiteral("bench")},
                                             environment);
}

} // namespace

SideBySide runSideBySide(Holder holder, const QByteArray& display, bool sweep, int seconds)
{
    SideBySide result;
    result.holder = holder;
    result.display = holder == Holder::Service ? QStringLiteral("pelmorad")
        : display.isEmpty()                    ? QStringLiteral("offscreen")
                                               : QStringLiteral("X display %1").arg(QString::fromLatin1(display));
    result.sweep = sweep;
    QTemporaryDir dir;
    const QString panelLog = dir.filePath(QStringLiteral("panel.log"));
    const QString bareLog = dir.filePath(QStringLiteral("bare.log"));
    VirtualCard panelCard(virtualCardOptions(panelLog, sweep));
    VirtualCard bareCard(virtualCardOptions(bareLog, sweep));
    if (panelCard.device().isEmpty() || bareCard.device().isEmpty())
        return result;
    const std::unique_ptr<MeasuredProgram> panel = startHolder(holder, panelCard.device(), display, dir);
    MeasuredProgram bare(QStringLiteral(PELMORA_BIN_DIR "/pelmora-bare-poller"), {bareCard.device()},
                  QProcessEnvironment::systemEnvironment());
    runEventsFor(2000);  // start-up: libraries, the first paint, the first requests
    if (!panel->running() || !bare.running())
        return result;

    const double from = clockMicros(CLOCK_MONOTONIC);
    const ProcessUsage panelBefore = processUsage(panel->pid());
    const ProcessUsage bareBefore = processUsage(bare.pid());
    runEventsFor(seconds * 1000);
    result.panel.used = processUsage(panel->pid()) - panelBefore;
    result.bare.used = processUsage(bare.pid()) - bareBefore;
    const double to = clockMicros(CLOCK_MONOTONIC);
    result.seconds = (to - from) / 1e6;
    readPolls(panelLog, from, to, result.panel);
    readPolls(bareLog, from, to, result.bare);
    result.panel.started = panel->running() && result.panel.used.valid;
    result.bare.started = bare.running() && result.bare.used.valid;
    return result;
}

std::vector<double> startToFirstRequest(Holder holder, const QByteArray& display, int starts)
{
    std::vector<double> times;
    for (int i = 0; i < starts; ++i) {
        QTemporaryDir dir;
        const QString log = dir.filePath(QStringLiteral("card.log"));
        VirtualCard card(virtualCardOptions(log, false));
        if (card.device().isEmpty())
            continue;
        const double started = clockMicros(CLOCK_MONOTONIC);
        const std::unique_ptr<MeasuredProgram> program = startHolder(holder, card.device(), display, dir);
        const QList<LoggedFrame> first = waitForFrames(log, 1, 5000);
        if (!first.isEmpty())
            times.push_back((first.first().micros - started) / 1000.0);
    }
    return times;
}

Soak measureSoak(int minutes)
{
    Soak soak;
    QTemporaryDir dir;
    VirtualCard card(virtualCardOptions(dir.filePath(QStringLiteral("card.log")), true));
    if (card.device().isEmpty())
        return soak;
    MeasuredProgram panel(QStringLiteral(PELMORA_BIN_DIR "/pelmora"), {}, panelEnvironment(card.device(), {}, dir));
    // The first figure after one whole sweep (10 s), by which time each gauge has shown
    // every reading once and drawn what it keeps of it.
    runEventsFor(12000);
    soak.minuteKiB << processUsage(panel.pid()).residentKiB;
    for (int minute = 0; minute < minutes && panel.running(); ++minute) {
        runEventsFor(60 * 1000);
        soak.minuteKiB << processUsage(panel.pid()).residentKiB;
    }
    soak.started = panel.running() && soak.minuteKiB.size() == minutes + 1;
    return soak;
}
