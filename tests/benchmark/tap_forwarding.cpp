#include "tap_forwarding.h"

#include "card_client.h"
#include "card_terminal.h"
#include "platform/process/clocks.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <chrono>
#include <poll.h>
#include <thread>
#include <unistd.h>

namespace {

// Two seconds, in which a live window also comes up and draws for the first time.
constexpr int kWarmUpExchanges = 20;

// Reads `count` bytes from the card's end, waiting at most one second in all.
bool receiveAtCard(int master, std::size_t count)
{
    std::uint8_t bytes[16];
    std::size_t got = 0;
    const double deadline = clockMicros(CLOCK_MONOTONIC) + 1e6;
    while (got < count && clockMicros(CLOCK_MONOTONIC) < deadline) {
        pollfd watch{master, POLLIN, 0};
        if (::poll(&watch, 1, 100) <= 0 || !(watch.revents & POLLIN))
            continue;
        const ssize_t n = ::read(master, bytes, std::min(sizeof bytes, count - got));
        if (n > 0)
            got += static_cast<std::size_t>(n);
    }
    return got == count;
}

// One request from the panel's end to the card's and one reply back, in microseconds each.
bool exchange(CardClient& panel, int cardMaster, const Bytes& reply, std::vector<double>& latencies)
{
    const double sent = clockMicros(CLOCK_MONOTONIC);
    panel.send(request(0x81));
    if (!receiveAtCard(cardMaster, 4))
        return false;
    const double arrived = clockMicros(CLOCK_MONOTONIC);
    if (::write(cardMaster, reply.data(), reply.size()) != static_cast<ssize_t>(reply.size()))
        return false;
    const double replied = clockMicros(CLOCK_MONOTONIC);
    if (panel.receive(3, 1000).size() != 3)
        return false;
    latencies.push_back(arrived - sent);
    latencies.push_back(clockMicros(CLOCK_MONOTONIC) - replied);
    return true;
}

double processCpuMicrosOf(qint64 pid)
{
    clockid_t clock;
    if (clock_getcpuclockid(static_cast<pid_t>(pid), &clock) != 0)
        return 0;
    return clockMicros(clock);
}

// The tap's CPU time with its children's: with --live, the chart draws in a process of its own.
double tapCpuMicrosOf(qint64 pid)
{
    double micros = processCpuMicrosOf(pid);
    QFile children(QStringLiteral("/proc/%1/task/%1/children").arg(pid));
    if (children.open(QIODevice::ReadOnly))
        for (const QByteArray& child : children.readAll().split(' '))
            if (!child.trimmed().isEmpty())
                micros += processCpuMicrosOf(child.trimmed().toLongLong());
    return micros;
}

} // namespace

TapForwarding runTapForwarding(int exchanges, const QByteArray& liveDisplay)
{
    TapForwarding run;
    std::string error;
    CardTerminal card;
    CardTerminal bare;
    if (!card.open(error) || !bare.open(error))
        return run;
    QTemporaryDir dir;
    QProcess tap;
    QStringList arguments{QStringLiteral("--csv"), dir.filePath(QStringLiteral("recording.csv")),
                          QString::fromStdString(card.slavePath())};
    if (!liveDisplay.isEmpty()) {
        arguments << QStringLiteral("--live");
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        environment.insert(QStringLiteral("DISPLAY"), QString::fromLatin1(liveDisplay));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.path());
        tap.setProcessEnvironment(environment);
    }
    tap.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    tap.start(QStringLiteral(PELMORA_BIN_DIR "/pelmora-tap"), arguments);
    if (!tap.waitForReadyRead(5000))
        return run;
    CardClient panel(tap.readLine().trimmed().toStdString());
    CardClient bareClient(bare.slavePath());
    if (!panel.isOpen() || !bareClient.isOpen())
        return run;

    // Ten exchanges a second on an absolute schedule, the tap's and a bare hop's in turn.
    std::vector<double> warmUp;
    double cpuBefore = 0;
    double wallBefore = 0;
    auto next = std::chrono::steady_clock::now();
    for (int i = 0; i < kWarmUpExchanges + exchanges; ++i) {
        if (i == kWarmUpExchanges) {
            cpuBefore = tapCpuMicrosOf(tap.processId());
            wallBefore = clockMicros(CLOCK_MONOTONIC);
        }
        std::vector<double>& through = i < kWarmUpExchanges ? warmUp : run.throughTapUs;
        std::vector<double>& direct = i < kWarmUpExchanges ? warmUp : run.directUs;
        // Both analogue inputs sweep and the inputs count, so the live chart always has news.
        const auto step = static_cast<std::uint8_t>(i);
        const Bytes reply{step, static_cast<std::uint8_t>(step * 5), static_cast<std::uint8_t>(255 - step * 5)};
        if (!exchange(panel, card.master(), reply, through) || !exchange(bareClient, bare.master(), reply, direct))
            return run;
        next += std::chrono::milliseconds(100);
        std::this_thread::sleep_until(next);
    }
    run.seconds = (clockMicros(CLOCK_MONOTONIC) - wallBefore) / 1e6;
    run.cpuShare = (tapCpuMicrosOf(tap.processId()) - cpuBefore) / 1e6 / run.seconds;
    tap.terminate();
    run.started = tap.waitForFinished(3000) && tap.exitCode() == 0;
    return run;
}
