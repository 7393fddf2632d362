#include "bus_cost.h"

#include "card_and_panel_processes.h"
#include "measured_program.h"
#include "private_bus.h"
#include "process_usage.h"
#include "sample_statistics.h"

#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <array>
#include <memory>
#include <vector>

namespace {

QString number(double value, int decimals) { return QString::number(value, 'f', decimals); }

enum Role { NoBus, NoClient, Watched };
constexpr int kRounds = 5;

// One round's shares of a core, by role, and the no-client panel's D-Bus thread alone.
struct RoundShares {
    bool ran = false;
    std::array<double, 3> share{};
    double busThread = 0;
};

std::unique_ptr<MeasuredProgram> startPanelAs(Role role, const QString& device, const QTemporaryDir& home)
{
    QProcessEnvironment environment = panelEnvironment(device, {}, home);
    // No bus at all: no address, and a runtime folder of its own with no bus in it.
    if (role == NoBus)
        environment.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    return std::make_unique<MeasuredProgram>(QStringLiteral(PELMORA_BIN_DIR "/pelmora"), QStringList{}, environment);
}

// Three panels at once, started in an order that turns with the round, so that a panel's
// place among the three is not taken for its role's cost.
RoundShares measureRound(const QStringList& cardOptions, int round, int seconds, const PrivateSessionBus& bus)
{
    RoundShares result;
    std::array<std::unique_ptr<VirtualCard>, 3> cards;
    for (auto& card : cards) {
        card = std::make_unique<VirtualCard>(cardOptions);
        if (card->device().isEmpty())
            return result;
    }
    std::array<QTemporaryDir, 3> homes;
    std::array<std::unique_ptr<MeasuredProgram>, 3> panels;
    for (int i = 0; i < 3; ++i) {
        const int role = (i + round) % 3;
        panels[role] = startPanelAs(Role(role), cards[role]->device(), homes[role]);
    }
    // Past start-up (the gauge library, fonts, the first paints) before anything is counted.
    runEventsFor(5000);
    const MeasuredProgram watch(QStringLiteral(PELMORA_BIN_DIR "/pelmora-ctl"),
                                {QStringLiteral("--device"), cards[Watched]->device(), QStringLiteral("watch")},
                                QProcessEnvironment::systemEnvironment());
    runEventsFor(500);
    std::array<ProcessUsage, 3> before;
    for (int role = 0; role < 3; ++role)
        before[role] = processUsage(panels[role]->pid());
    QElapsedTimer wall;
    wall.start();
    runEventsFor(seconds * 1000);
    const double elapsed = static_cast<double>(wall.elapsed()) / 1000.0;
    result.ran = watch.running() && bus.error().isEmpty();
    for (int role = 0; role < 3; ++role) {
        const ProcessUsage used = processUsage(panels[role]->pid()) - before[role];
        result.share[role] = used.cpuSeconds / elapsed;
        result.ran = result.ran && panels[role]->running();
        if (role == NoClient)
            result.busThread = used.busThreadSeconds / elapsed;
    }
    return result;
}

// What the bus and the client add, round by round: the panels of one round share the
// machine's ups and downs, and the median leaves out a round that another program upset.
struct Added {
    std::vector<double> rounds;
    double median() const { return medianOf(rounds); }
    double low() const { return *std::min_element(rounds.begin(), rounds.end()); }
    double high() const { return *std::max_element(rounds.begin(), rounds.end()); }
};

struct BusCost {
    bool ran = true;
    std::array<double, 3> share{};  // median over the rounds
    Added idle, watching;
    double busThread = 0;
};

BusCost measure(bool sweep, int seconds)
{
    BusCost cost;
    PrivateSessionBus bus;
    const QStringList options = sweep ? QStringList{QStringLiteral("--sweep")} : QStringList{};
    std::array<std::vector<double>, 3> shares;
    std::vector<double> busThread;
    for (int round = 0; round < kRounds; ++round) {
        const RoundShares round_shares = measureRound(options, round, seconds, bus);
        cost.ran = cost.ran && round_shares.ran;
        for (int role = 0; role < 3; ++role)
            shares[role].push_back(round_shares.share[role]);
        busThread.push_back(round_shares.busThread);
        cost.idle.rounds.push_back(round_shares.share[NoClient] - round_shares.share[NoBus]);
        cost.watching.rounds.push_back(round_shares.share[Watched] - round_shares.share[NoClient]);
    }
    for (int role = 0; role < 3; ++role)
        cost.share[role] = medianOf(shares[role]);
    cost.busThread = medianOf(busThread);
    return cost;
}

QString percents(const Added& added)
{
    return QStringLiteral("%1 % (rounds %2 … %3)")
        .arg(number(added.median() * 100, 3), number(added.low() * 100, 3), number(added.high() * 100, 3));
}

} // namespace

bool addBusCostRows(QList<ResultRow>& rows, int seconds)
{
    bool ran = true;
    const int roundSeconds = std::max(5, seconds / 3);
    for (const bool sweep : {false, true}) {
        const BusCost cost = measure(sweep, roundSeconds);
        ran = ran && cost.ran;
        // Nothing measurable: under 0.05 % of a core, or the rounds do not even agree that
        // the bus costs anything.
        const bool idleUnmeasurable = cost.idle.median() <= 0.0005 || cost.idle.low() <= 0;
        rows.push_back({QStringLiteral("Panel CPU, %1 readings (%2 rounds of %3 s, medians): no bus / on the bus, "
                                       "no client / `watch` attached")
                            .arg(sweep ? QStringLiteral("changing") : QStringLiteral("constant"))
                            .arg(kRounds)
                            .arg(roundSeconds),
                        QStringLiteral("%1 % / %2 % / %3 % of one core")
                            .arg(number(cost.share[NoBus] * 100, 3), number(cost.share[NoClient] * 100, 3),
                                 number(cost.share[Watched] * 100, 3)),
                        "", cost.ran});
        rows.push_back({QStringLiteral("  added by the bus with no client; Qt D-Bus's own thread in that panel"),
                        QStringLiteral("%1; %2 %").arg(percents(cost.idle), number(cost.busThread * 100, 3)),
                        QStringLiteral("not measurable"), cost.ran && idleUnmeasurable});
        rows.push_back({QStringLiteral("  added by a watching client"), percents(cost.watching),
                        QStringLiteral("≤ 0.2 %"), cost.ran && cost.watching.median() <= 0.002});
    }
    return ran;
}
