#include "mqtt_cost.h"

#include "card_and_panel_processes.h"
#include "measured_program.h"
#include "mosquitto_broker.h"
#include "private_bus.h"
#include "process_usage.h"
#include "sample_statistics.h"

#include "platform/process/clocks.h"

#include <QProcess>
#include <QTemporaryDir>

#include <memory>
#include <vector>

namespace {

constexpr int kCommands = 100;
constexpr int kRounds = 3;
constexpr int kTenServices = 10;

QString number(double value, int decimals) { return QString::number(value, 'f', decimals); }

// A service on a card of its own, named `name`, on the broker when `broker` is not empty.
struct MeasuredService {
    MeasuredService(const QString& name, const QString& broker, const QStringList& cardOptions = {"--sweep"})
        : card(cardOptions + QStringList{"--log", home.filePath("frames")})
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_STATE_HOME"), home.path());
        QStringList arguments{card.device(), QStringLiteral("--name"), name};
        if (!broker.isEmpty())
            arguments << QStringLiteral("--mqtt") << broker;
        program = std::make_unique<MeasuredProgram>(QStringLiteral(PELMORA_BIN_DIR "/pelmorad"), arguments, environment);
    }
    QTemporaryDir home;
    VirtualCard card;
    std::unique_ptr<MeasuredProgram> program;
};

double shareOver(const std::vector<qint64>& pids, int seconds)
{
    std::vector<ProcessUsage> before;
    for (const qint64 pid : pids)
        before.push_back(processUsage(pid));
    runEventsFor(seconds * 1000);
    double cpu = 0;
    for (std::size_t i = 0; i < pids.size(); ++i)
        cpu += (processUsage(pids[i]) - before[i]).cpuSeconds;
    return cpu / seconds;
}

// The two services at once, in rounds that swap which is started first; the median of the
// rounds' ratios, since one round's shares move with whatever else the machine does.
void addCostRow(QList<ResultRow>& rows, const MosquittoBroker& broker, int seconds)
{
    std::vector<double> ratios, withShares, withoutShares;
    for (int round = 0; round < kRounds; ++round) {
        std::unique_ptr<MeasuredService> with, without;
        if (round % 2 == 0)
            with = std::make_unique<MeasuredService>(QStringLiteral("with"), broker.url());
        without = std::make_unique<MeasuredService>(QStringLiteral("without"), QString());
        if (!with)
            with = std::make_unique<MeasuredService>(QStringLiteral("with"), broker.url());
        runEventsFor(3000);
        const ProcessUsage withBefore = processUsage(with->program->pid());
        const ProcessUsage withoutBefore = processUsage(without->program->pid());
        runEventsFor(seconds * 1000 / kRounds);
        withShares.push_back((processUsage(with->program->pid()) - withBefore).cpuSeconds);
        withoutShares.push_back((processUsage(without->program->pid()) - withoutBefore).cpuSeconds);
        if (withoutShares.back() > 0)
            ratios.push_back(withShares.back() / withoutShares.back());
    }
    const double ratio = medianOf(ratios);
    const double roundSeconds = double(seconds) / kRounds;
    rows.push_back({QStringLiteral("pelmorad with MQTT / without, changing readings (%1 rounds of %2 s)")
                        .arg(kRounds)
                        .arg(number(roundSeconds, 0)),
                    QStringLiteral("%1 % / %2 % of one core (medians) = %3 × (rounds %4 … %5 ×)")
                        .arg(number(medianOf(withShares) / roundSeconds * 100, 3),
                             number(medianOf(withoutShares) / roundSeconds * 100, 3), number(ratio, 2),
                             number(percentileOf(ratios, 0), 2), number(percentileOf(ratios, 100), 2)),
                    QStringLiteral("≤ 1.2 ×"), int(ratios.size()) == kRounds && ratio <= 1.2});
}

// mosquitto_pub -l publishes each line it reads: a command a line, timed as it is written.
void addLatencyRow(QList<ResultRow>& rows, const MosquittoBroker& broker)
{
    MeasuredService tank(QStringLiteral("tank"), broker.url(), {});
    runEventsFor(2000);
    QProcess publisher;
    publisher.start(QStringLiteral("mosquitto_pub"), {"-h", "127.0.0.1", "-p", QString::number(broker.port()), "-q", "1",
                                                      "-t", "pelmora/tank/output/1/set", "-l"});
    publisher.waitForStarted(3000);
    runEventsFor(500);
    std::vector<double> latencies;
    const QString log = tank.home.filePath("frames");
    for (int i = 0; i < kCommands; ++i) {
        const bool on = i % 2 == 0;
        const qsizetype before = readFrameLog(log).size();
        const double sent = clockMicros(CLOCK_MONOTONIC);
        publisher.write(on ? "ON\n" : "OFF\n");
        publisher.waitForBytesWritten(100);
        for (const LoggedFrame& frame : waitForFrames(log, int(before) + 1, 1000).mid(before)) {
            if (((frame.mask & 0x80) != 0) == on) {
                latencies.push_back((frame.micros - sent) / 1000.0);
                break;
            }
        }
        runEventsFor(150);  // between two polls' requests, as often as not
    }
    publisher.closeWriteChannel();
    publisher.waitForFinished(3000);
    rows.push_back({"From mosquitto_pub to the card's request, on the loopback", medianAndP99(latencies, 1, 2, "ms"),
                    "p99 < 5 ms", int(latencies.size()) == kCommands && percentileOf(latencies, 99) < 5});
}

bool addTenServicesRow(QList<ResultRow>& rows, MosquittoBroker& broker, qint64 brokerPid, int seconds)
{
    std::vector<std::unique_ptr<MeasuredService>> services;
    std::vector<qint64> pids{brokerPid};
    // Cards that keep their values, as most do.
    for (int i = 0; i < kTenServices; ++i) {
        services.push_back(std::make_unique<MeasuredService>(QStringLiteral("card%1").arg(i), broker.url(), QStringList{}));
        pids.push_back(services.back()->program->pid());
    }
    runEventsFor(3000);
    const double share = shareOver(pids, seconds);
    rows.push_back({QStringLiteral("Ten services on ten cards and their broker (%1 s)").arg(seconds),
                    QStringLiteral("%1 % of one core in all").arg(number(share * 100, 2)), "< 2 %", share < 0.02});
    return share > 0;
}

} // namespace

bool addMqttRows(QList<ResultRow>& rows, int seconds)
{
    PrivateSessionBus bus;
    MosquittoBroker broker;
    if (broker.missing() || !broker.start()) {
        rows.push_back({"pelmorad on MQTT", "mosquitto did not start", "", false});
        return false;
    }
    addCostRow(rows, broker, seconds);
    addLatencyRow(rows, broker);
    return addTenServicesRow(rows, broker, broker.pid(), seconds);
}
