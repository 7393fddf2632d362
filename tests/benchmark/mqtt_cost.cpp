#include "mqtt_cost.h"

#include "mosquitto_broker.h"
#include "private_bus.h"
#include "process_usage.h"
#include "sample_statistics.h"
#include "service_pair.h"

#include "platform/process/clocks.h"

#include <QProcess>
#include <QTemporaryDir>

#include <memory>
#include <vector>

namespace {

constexpr int kCommands = 100;
constexpr int kTenServices = 10;

QString number(double value, int decimals) { return QString::number(value, 'f', decimals); }

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

QStringList onBroker(const MosquittoBroker& broker) { return {QStringLiteral("--mqtt"), broker.url()}; }

// mosquitto_pub -l publishes each line it reads: a command a line, timed as it is written.
void addLatencyRow(QList<ResultRow>& rows, const MosquittoBroker& broker)
{
    ServiceOnCard tank(QStringLiteral("tank"), onBroker(broker), {});
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
    std::vector<std::unique_ptr<ServiceOnCard>> services;
    std::vector<qint64> pids{brokerPid};
    // Cards that keep their values, as most do.
    for (int i = 0; i < kTenServices; ++i) {
        services.push_back(std::make_unique<ServiceOnCard>(QStringLiteral("card%1").arg(i), onBroker(broker), QStringList{}));
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
    rows.push_back(pairedCostRow(
        QStringLiteral("with MQTT / without"),
        [&] { return std::make_unique<ServiceOnCard>(QStringLiteral("with"), onBroker(broker)); },
        [] { return std::make_unique<ServiceOnCard>(QStringLiteral("without"), QStringList{}); }, seconds, 1.2));
    addLatencyRow(rows, broker);
    return addTenServicesRow(rows, broker, broker.pid(), seconds);
}
