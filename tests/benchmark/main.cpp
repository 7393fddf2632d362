// pelmora-benchmark: measures the panel against the virtual card over a
// pseudo-terminal and prints one table of the figures beside their aims.
#include "bus_cost.h"
#include "click_latency.h"
#include "exchange_cost.h"
#include "gauge_load.h"
#include "result_table.h"
#include "sample_statistics.h"
#include "remote_polling.h"
#include "mqtt_cost.h"
#include "safety_cost.h"
#include "service_rows.h"
#include "side_by_side.h"
#include "side_by_side_rows.h"
#include "tap_forwarding.h"

#include "desktop_session.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>

#include <cmath>
#include <cstdio>
#include <optional>
#include <utility>

namespace {

constexpr int kPollingSeconds = 30;  // 300 requests for each program and each way of drawing
constexpr int kStarts = 5;
constexpr int kServiceStarts = 10;
constexpr int kExchanges = 600;
constexpr int kGaugeUpdates = 1000;
constexpr int kPresses = 100;
constexpr int kRemoteExchanges = 200;
constexpr int kLoadGauges = 100;
constexpr int kLoadSeconds = 6;
constexpr int kTapExchanges = 310;  // 620 frames, at ten exchanges a second

QString number(double value, int decimals) { return QString::number(value, 'f', decimals); }

// The one-minute load average, to tell a quiet machine from a busy one.
QString loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll().split(' ').value(0)) : QStringLiteral("?");
}

void progress(const QString& step)
{
    QTextStream(stderr) << "pelmora-benchmark: " << step << "\n";
}

// The tap's rows: the time a frame takes through it beside a bare hop, and its CPU share;
// with a display, for the tap that also draws its live chart there.
bool addTapRows(QList<ResultRow>& rows, const QByteArray& liveDisplay = {})
{
    const bool live = !liveDisplay.isEmpty();
    progress(QStringLiteral("pelmora-tap%1 forwarding ten exchanges a second for %2 s")
                 .arg(live ? QStringLiteral(" --live on Xvfb") : QString())
                 .arg(kTapExchanges / 10));
    const TapForwarding tap = runTapForwarding(kTapExchanges, liveDisplay);
    const auto& through = tap.throughTapUs;
    const auto& direct = tap.directUs;
    const QString tapName = live ? QStringLiteral("pelmora-tap --live (drawing on Xvfb)") : QStringLiteral("pelmora-tap");
    rows.push_back({QStringLiteral("Frame through %1, end to end (two pty hops, recording)").arg(tapName),
                    medianAndP99(through, 1e-3, 3, "ms"), "p99 < 1 ms",
                    through.size() >= 300 && percentileOf(through, 99) < 1000});
    rows.push_back({"  the same frames over one bare pty hop", medianAndP99(direct, 1e-3, 3, "ms"), "", true});
    rows.push_back({"  added by the tap (difference of the two)",
                    QStringLiteral("median %1 ms, p99 %2 ms")
                        .arg(number((medianOf(through) - medianOf(direct)) * 1e-3, 3),
                             number((percentileOf(through, 99) - percentileOf(direct, 99)) * 1e-3, 3)),
                    "", true});
    const double aim = live ? 0.02 : 0.003;
    rows.push_back({QStringLiteral("%1 CPU share at 10 exchanges/s (over %2 s)").arg(tapName, number(tap.seconds, 1)),
                    QStringLiteral("%1 % of one core").arg(number(tap.cpuShare * 100, 3)),
                    QStringLiteral("< %1 %").arg(aim * 100), tap.started && tap.cpuShare < aim});
    return tap.started;
}

GaugeLoad gaugeLoad()
{
    progress(QStringLiteral("%1 gauges written ten times a second for %2 s").arg(kLoadGauges).arg(kLoadSeconds));
    return runGaugeLoad(kLoadGauges, kLoadSeconds);
}

void addGaugeLoadRow(QList<ResultRow>& rows, const GaugeLoad& load)
{
    rows.push_back({QStringLiteral("%1 gauges (gaugix::v_meter) written 10 times a second (over %2 s)")
                        .arg(load.gauges)
                        .arg(number(load.seconds, 1)),
                    QStringLiteral("%1 % of one core").arg(number(load.cpuShare * 100, 2)), "< 1.5 %",
                    load.gauges == kLoadGauges && load.cpuShare < 0.015});
}

// --gauges-only: the gauges written by this process, nothing else.
int runGaugesOnly(const QString& loadBefore)
{
    QList<ResultRow> rows;
    const GaugeLoad load = gaugeLoad();
    addGaugeLoadRow(rows, load);
    printTable(rows, {QStringLiteral("QT_QPA_PLATFORM=%1; load average %2 before, %3 after.")
                           .arg(qEnvironmentVariable("QT_QPA_PLATFORM"), loadBefore, loadAverage())});
    return load.gauges > 0 ? 0 : 1;
}

// --tap-only: the tap alone, then drawing its live chart on Xvfb.
int runTapOnly(const QString& loadBefore)
{
    QList<ResultRow> rows;
    bool tapStarted = addTapRows(rows);
    DesktopSession desktop;
    if (desktop.ready())
        tapStarted = addTapRows(rows, desktop.display()) && tapStarted;
    else
        rows.push_back({"pelmora-tap --live on an X display", desktop.error(), "", false});
    printTable(rows, {QStringLiteral("load average %1 before, %2 after.").arg(loadBefore, loadAverage())});
    return tapStarted && desktop.ready() ? 0 : 1;
}

// --remote-only: a panel through ser2net beside a local one.
int runRemoteOnly(const QString& loadBefore)
{
    QList<ResultRow> rows;
    progress(QStringLiteral("a panel through ser2net beside a local one, %1 s").arg(kPollingSeconds));
    const bool ran = addRemotePollingRows(rows, kPollingSeconds, kRemoteExchanges);
    printTable(rows, {QStringLiteral("load average %1 before, %2 after.").arg(loadBefore, loadAverage())});
    return ran ? 0 : 1;
}

// --bus-only: what the panel's D-Bus interface costs it.
int runBusOnly(const QString& loadBefore)
{
    QList<ResultRow> rows;
    progress(QStringLiteral("three panels: no bus, on a bus with no client, with pelmora-ctl watch; %1 s twice")
                 .arg(kPollingSeconds));
    const bool ran = addBusCostRows(rows, kPollingSeconds);
    printTable(rows, {QStringLiteral("load average %1 before, %2 after.").arg(loadBefore, loadAverage())});
    return ran ? 0 : 1;
}

// --service-only: the service beside the bare poller.
int runServiceOnly(const QString& loadBefore)
{
    QList<ResultRow> rows;
    progress(QStringLiteral("pelmorad and the bare poller, a constant then a changing reply, %1 s each; %2 starts")
                 .arg(kPollingSeconds)
                 .arg(kServiceStarts));
    bool ran = addServiceRows(rows, kPollingSeconds, kServiceStarts);
    progress(QStringLiteral("pelmorad on MQTT: with and without, %1 s; %2 commands; ten services, %1 s")
                 .arg(kPollingSeconds)
                 .arg(100));
    ran = addMqttRows(rows, 2 * kPollingSeconds) && ran;
    progress(QStringLiteral("pelmorad with the example's safeguards and without, %1 s; %2 timed outputs")
                 .arg(2 * kPollingSeconds)
                 .arg(5));
    ran = addSafetyRows(rows, 2 * kPollingSeconds) && ran;
    printTable(rows, {QStringLiteral("load average %1 before, %2 after.").arg(loadBefore, loadAverage())});
    return ran ? 0 : 1;
}

// --soak MINUTES: the panel's resident memory, minute by minute.
int runSoak(int minutes, const QString& loadBefore)
{
    QList<ResultRow> rows;
    progress(QStringLiteral("the panel polling a sweeping card for %1 minutes").arg(minutes));
    const Soak soak = measureSoak(minutes);
    const qint64 startKiB = soak.minuteKiB.value(0);
    const qint64 endKiB = soak.minuteKiB.isEmpty() ? 0 : soak.minuteKiB.last();
    QStringList minuteFigures;
    for (const qint64 kib : soak.minuteKiB)
        minuteFigures << number(kib / 1024.0, 1);
    rows.push_back({QStringLiteral("Panel resident memory over %1 minutes (VmRSS, offscreen, changing reply)").arg(minutes),
                    QStringLiteral("%1 MiB after the first sweep, %2 MiB at the end")
                        .arg(number(startKiB / 1024.0, 1), number(endKiB / 1024.0, 1)),
                    "< 40 MiB, flat", soak.started && endKiB < 40 * 1024 && endKiB <= startKiB + 512});
    rows.push_back({"  at the end of each minute (MiB)", minuteFigures.join(QStringLiteral(", ")), "", true});
    printTable(rows, {QStringLiteral("load average %1 before, %2 after.").arg(loadBefore, loadAverage())});
    return soak.started ? 0 : 1;
}

// The panel beside the bare poller: offscreen, then on a real X server (Xvfb, with a
// window manager), each with a constant and with a changing reply; on Xvfb also the start
// to the first request and, unless `pollingOnly`, the tap drawing its chart there.
bool addPollingRows(QList<ResultRow>& rows, bool offscreenOnly, bool pollingOnly)
{
    bool allStarted = true;
    for (const bool sweep : {false, true}) {
        progress(QStringLiteral("the panel and the bare poller, offscreen, %1 reply, %2 s")
                     .arg(sweep ? "changing" : "constant")
                     .arg(kPollingSeconds));
        allStarted = addSideBySideRows(rows, runSideBySide(Holder::Panel, {}, sweep, kPollingSeconds)) && allStarted;
    }
    if (offscreenOnly)
        return allStarted;
    DesktopSession desktop;
    if (!desktop.ready()) {
        rows.push_back({"On an X display", desktop.error(), "", false});
        return false;
    }
    for (const bool sweep : {false, true}) {
        progress(QStringLiteral("the panel and the bare poller on Xvfb, %1 reply, %2 s")
                     .arg(sweep ? "changing" : "constant")
                     .arg(kPollingSeconds));
        allStarted = addSideBySideRows(rows, runSideBySide(Holder::Panel, desktop.display(), sweep, kPollingSeconds))
                     && allStarted;
    }
    progress(QStringLiteral("start to first request on Xvfb, %1 starts").arg(kStarts));
    const std::vector<double> starts = startToFirstRequest(Holder::Panel, desktop.display(), kStarts);
    rows.push_back({"Start of pelmora to its first request, on Xvfb", medianAndP99(starts, 1, 0, "ms"), "< 150 ms",
                    starts.size() == kStarts && percentileOf(starts, 99) < 150});
    // The tap with its live chart drawing on the same X server, in the same run.
    if (!pollingOnly)
        allStarted = addTapRows(rows, desktop.display()) && allStarted;
    return allStarted;
}

// What is measured in this process: an exchange, a gauge update, a click reaching the
// card, a hundred gauges; then the tap and a panel through ser2net.
bool addCostRows(QList<ResultRow>& rows)
{
    progress(QStringLiteral("exchange and gauge update costs in this process"));
    const std::vector<double> exchanges = exchangeCpuCosts(kExchanges);
    const std::vector<double> gaugeUpdates = gaugeUpdateCpuCosts(kGaugeUpdates);
    progress(QStringLiteral("click-to-wire latency"));
    const std::vector<double> latencies = clickToWireLatencies(kPresses);
    const GaugeLoad load = gaugeLoad();

    rows.push_back({"CPU per exchange (Form1::comunica, thread CPU)", medianAndP99(exchanges, 1, 1, "us"), "", true});
    rows.push_back({"CPU per gauge update (putProperty + repaint)", medianAndP99(gaugeUpdates, 1, 1, "us"), "", true});
    rows.push_back({"Click-to-wire latency (mouse press to card)", medianAndP99(latencies, 1e-3, 3, "ms"), "< 2 ms",
                    latencies.size() >= 50 && percentileOf(latencies, 99) < 2000});
    addGaugeLoadRow(rows, load);
    const bool tapStarted = addTapRows(rows);
    progress(QStringLiteral("a panel through ser2net beside a local one, %1 s").arg(kPollingSeconds));
    const bool remoteRan = addRemotePollingRows(rows, kPollingSeconds, kRemoteExchanges);
    progress(QStringLiteral("the panel's D-Bus interface, %1 s twice").arg(kPollingSeconds));
    const bool busRan = addBusCostRows(rows, kPollingSeconds);
    progress(QStringLiteral("pelmorad beside the bare poller, %1 s twice; %2 starts").arg(kPollingSeconds).arg(kServiceStarts));
    const bool serviceRan = addServiceRows(rows, kPollingSeconds, kServiceStarts) && addMqttRows(rows, kPollingSeconds)
        && addSafetyRows(rows, 2 * kPollingSeconds);
    return busRan && serviceRan && !exchanges.empty() && !latencies.empty() && load.gauges > 0 && tapStarted && remoteRan;
}

QStringList notes(const QString& loadBefore)
{
    return {
        QStringLiteral("on a real line at 9600 baud, 8N1, the 4 request bytes add 4.2 ms (40 bits) to the click-to-wire latency."),
        QStringLiteral("the exchange cost includes the event passes inside comunica(), which repaint the two gauges and the LEDs."),
        QStringLiteral("the gauge update cost includes one QCoreApplication::processEvents(), which paints the gauge."),
        QStringLiteral("CPU shares of the panel and the bare poller are the sum over their threads of the scheduler's "
                       "run time (/proc/PID/task/*/schedstat); a voluntary context switch is a sleep, so the wakeups "
                       "per poll are the voluntary switches of all threads over the requests the card logged."),
        QStringLiteral("the bare poller (pelmora-bare-poller) waits on a kernel timer, writes the request and reads "
                       "what came back, nothing else; it runs at the same time on a virtual card of its own."),
        QStringLiteral("QT_QPA_PLATFORM=%1, %2 cores; load average %3 before, %4 after (other work on the machine "
                       "shows in the timings).")
            .arg(qEnvironmentVariable("QT_QPA_PLATFORM"))
            .arg(QThread::idealThreadCount())
            .arg(loadBefore, loadAverage()),
    };
}

// The command line: which part to run; the whole benchmark with no option.
struct BenchmarkOptions {
    QString only;  // "gauges", "tap", "remote", "bus", "polling", "service", or empty
    bool offscreenOnly = false;
    int soakMinutes = 0;
};

std::optional<BenchmarkOptions> parseBenchmarkOptions(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Measures what the panel and its tools cost, against the virtual card."));
    parser.addHelpOption();
    const QList<std::pair<QString, QString>> parts{
        {QStringLiteral("gauges"), QStringLiteral("Only 100 gauges written ten times a second.")},
        {QStringLiteral("tap"), QStringLiteral("Only pelmora-tap --live forwarding.")},
        {QStringLiteral("remote"), QStringLiteral("Only a panel through ser2net beside a local one.")},
        {QStringLiteral("bus"), QStringLiteral("Only what the D-Bus interface costs the panel.")},
        {QStringLiteral("polling"), QStringLiteral("Only the panel's polling beside the bare poller.")},
        {QStringLiteral("service"), QStringLiteral("Only the service beside the bare poller, its start, and MQTT.")},
    };
    for (const auto& [part, description] : parts)
        parser.addOption({part + QStringLiteral("-only"), description});
    parser.addOption({QStringLiteral("offscreen-only"), QStringLiteral("The polling part offscreen only, without Xvfb.")});
    parser.addOption({QStringLiteral("soak"), QStringLiteral("The panel's memory over MINUTES."), QStringLiteral("MINUTES")});
    if (!parser.parse(arguments) || !parser.positionalArguments().isEmpty()) {
        const QString error = parser.errorText().isEmpty() ? QStringLiteral("unexpected argument") : parser.errorText();
        std::fprintf(stderr, "pelmora-benchmark: %s\n%s", qPrintable(error), qPrintable(parser.helpText()));
        return std::nullopt;
    }
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    BenchmarkOptions options;
    for (const auto& part : parts)
        if (parser.isSet(part.first + QStringLiteral("-only")))
            options.only = part.first;
    options.offscreenOnly = parser.isSet(QStringLiteral("offscreen-only"));
    if (parser.isSet(QStringLiteral("soak")))
        options.soakMinutes = parser.value(QStringLiteral("soak")).toInt();
    if (parser.isSet(QStringLiteral("soak")) && options.soakMinutes < 1) {
        std::fprintf(stderr, "pelmora-benchmark: --soak needs a whole number of minutes, at least 1\n");
        return std::nullopt;
    }
    return options;
}

int runAll(const BenchmarkOptions& options, const QString& loadBefore)
{
    QList<ResultRow> rows;
    const bool pollingOnly = options.only == QStringLiteral("polling");
    bool allStarted = addPollingRows(rows, options.offscreenOnly, pollingOnly);
    if (pollingOnly) {
        printTable(rows, {QStringLiteral("load average %1 before, %2 after.").arg(loadBefore, loadAverage())});
        return allStarted ? 0 : 1;
    }
    allStarted = addCostRows(rows) && allStarted;
    printTable(rows, notes(loadBefore));
    return allStarted ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // A registry of its own, so the user's is never touched.
    QTemporaryDir registry;
    qputenv("PELMORA_REGISTRY", registry.filePath("registry.ini").toLocal8Bit());
    QApplication app(argc, argv);
    const std::optional<BenchmarkOptions> options = parseBenchmarkOptions(app.arguments());
    if (!options)
        return 2;
    const QString loadBefore = loadAverage();
    if (options->soakMinutes > 0)
        return runSoak(options->soakMinutes, loadBefore);
    if (options->only == QStringLiteral("gauges"))
        return runGaugesOnly(loadBefore);
    if (options->only == QStringLiteral("tap"))
        return runTapOnly(loadBefore);
    if (options->only == QStringLiteral("remote"))
        return runRemoteOnly(loadBefore);
    if (options->only == QStringLiteral("bus"))
        return runBusOnly(loadBefore);
    if (options->only == QStringLiteral("service"))
        return runServiceOnly(loadBefore);
    return runAll(*options, loadBefore);
}
