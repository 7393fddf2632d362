#include "remote_polling.h"

#include "card_and_panel_processes.h"
#include "measured_program.h"
#include "process_usage.h"
#include "sample_statistics.h"
#include "ser2net_server.h"

#include "card_link/card_port.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <memory>
#include <vector>

namespace {

const QString kPanel = QStringLiteral(PELMORA_BIN_DIR "/pelmora");

QString number(double value, int decimals) { return QString::number(value, 'f', decimals); }

// Milliseconds from each request written to its three-byte reply read, `count` times,
// through the port object that the panel uses.
std::vector<double> requestToReply(const QString& device, int count)
{
    std::vector<double> times;
    qputenv("PELMORA_COM4", device.toLocal8Bit());
    card_link::CardPort port;
    port.setPortNumber(4);
    try {
        port.setPortOpen(true);
    } catch (const card_link::SerialError&) {
        return times;
    }
    for (int i = 0; i < count; ++i) {
        QElapsedTimer clock;
        clock.start();
        port.output(QByteArray("**\x00#", 4));
        QByteArray reply;
        while (reply.size() < 3 && clock.elapsed() < 1000) {
            QCoreApplication::processEvents();
            reply += port.input();
        }
        if (reply.size() == 3)
            times.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
        runEventsFor(20);
        port.input();
    }
    port.setPortOpen(false);
    qunsetenv("PELMORA_COM4");
    return times;
}

} // namespace

bool addRemotePollingRows(QList<ResultRow>& rows, int seconds, int exchanges)
{
    QTemporaryDir dir;
    VirtualCard localCard({});
    VirtualCard remoteCard({});
    Ser2netServer server(Ser2netServer::Accepter::Telnet, remoteCard.device());
    if (localCard.device().isEmpty() || remoteCard.device().isEmpty() || !server.start()) {
        rows.push_back({"A card through ser2net", "the virtual cards or ser2net did not start", "", false});
        return false;
    }
    double localShare = 0, remoteShare = 0;
    {
        const MeasuredProgram local(kPanel, {}, panelEnvironment(localCard.device(), {}, dir));
        const MeasuredProgram remote(kPanel, {}, panelEnvironment(server.url(), {}, dir));
        runEventsFor(2000);
        const ProcessUsage localBefore = processUsage(local.pid());
        const ProcessUsage remoteBefore = processUsage(remote.pid());
        QElapsedTimer wall;
        wall.start();
        runEventsFor(seconds * 1000);
        const double elapsed = static_cast<double>(wall.elapsed()) / 1000.0;
        localShare = (processUsage(local.pid()) - localBefore).cpuSeconds / elapsed;
        remoteShare = (processUsage(remote.pid()) - remoteBefore).cpuSeconds / elapsed;
    }
    const std::vector<double> localTimes = requestToReply(localCard.device(), exchanges);
    const std::vector<double> remoteTimes = requestToReply(server.url(), exchanges);
    const bool ran = localShare > 0 && remoteShare > 0 && !localTimes.empty() && !remoteTimes.empty();
    rows.push_back({QStringLiteral("Panel CPU share through ser2net (telnet, loopback) / local pseudo-terminal (%1 s)")
                        .arg(seconds),
                    QStringLiteral("%1 % / %2 % of one core = %3 ×")
                        .arg(number(remoteShare * 100, 3), number(localShare * 100, 3),
                             number(localShare > 0 ? remoteShare / localShare : 0, 2)),
                    QStringLiteral("≤ 1.5 ×"), ran && remoteShare <= 1.5 * localShare});
    const double added = medianOf(remoteTimes) - medianOf(localTimes);
    rows.push_back({QStringLiteral("  request to whole reply, median: through ser2net / local (%1 each)").arg(exchanges),
                    QStringLiteral("%1 ms / %2 ms, %3 ms added")
                        .arg(number(medianOf(remoteTimes), 3), number(medianOf(localTimes), 3), number(added, 3)),
                    QStringLiteral("< 1 ms added"), ran && added < 1.0});
    return ran;
}
