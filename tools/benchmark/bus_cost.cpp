#include "bus_cost.h"

#include "card_and_panel_processes.h"
#include "measured_program.h"
#include "private_session_bus.h"
#include "process_usage.h"

#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <array>
#include <memory>

namespace {

QString number(double value, int decimals) { return QString::number(value, 'f', decimals); }

enum Role { NoBus, NoClient, Watched };
constexpr int kRounds = 3;

// One round's shares of a core, by role, and the no-client panel's D-Bus thread alone.
struct RoundShares {
    bool ran = false;
    std::array<double, 3> share{};
    double busThread = 0;
};

std::unique_ptr<MeasuredProgram> start_panel(Role role, const QString& device, const QTemporaryDir& home)
{
    QProcessEnvironment environment = panel_environment(device, {}, home);
    // No bus at all: no address, and a runtime folder of its own with no bus in it.
    if (role == NoBus)
        environment.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    return std::make_unique<MeasuredProgram>(QStringLiteral(PELMORA_BIN_DIR "/pelmora"), QStringList{}, environment);
}

// Three panels at once, started in an order that turns with the round, so that a panel's
// place among the three is not taken for its role's cost.
RoundShares measure_round(const QStringList& cardOptions, int round, int seconds, const PrivateSessionBus& bus)
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
        panels[role] = start_panel(Role(role), cards[role]->device(), homes[role]);
    }
    // Past start-up (the gauge library, fonts, the first paints) before anything is counted.
    runEventsFor(5000);
    const MeasuredProgram watch(QStringLiteral(PELMORA_BIN_DIR "/pelmora-ctl"),
                                {QStringLiteral("--device"), cards[Watched]->device(), QStringLiteral("watch")},
                                QProcessEnvironment::systemEnvironment());
    runEventsFor(500);
    std::array<ProcessUsage, 3> before;
    for (int role = 0; role < 3; ++role)
        before[role] = process_usage(panels[role]->pid());
    QElapsedTimer wall;
    wall.start();
    runEventsFor(seconds * 1000);
    const double elapsed = static_cast<double>(wall.elapsed()) / 1000.0;
    result.ran = watch.running() && bus.error().isEmpty();
    for (int role = 0; role < 3; ++role) {
        const ProcessUsage used = process_usage(panels[role]->pid()) - before[role];
        result.share[role] = used.cpuSeconds / elapsed;
        result.ran = result.ran && panels[role]->running();
        if (role == NoClient)
            result.busThread = used.busThreadSeconds / elapsed;
    }
    return result;
}

struct BusCost {
    bool ran = true;
    std::array<double, 3> share{};               // mean over the rounds
    double idleLow = 1, idleHigh = -1;           // the bus with no client, lowest and highest round
    double watchingLow = 1, watchingHigh = -1;   // the watching client, lowest and highest round
    double busThread = 0;
};

BusCost measure(bool sweep, int seconds)
{
    BusCost cost;
    PrivateSessionBus bus;
    const QStringList options = sweep ? QStringList{QStringLiteral("--sweep")} : QStringList{};
    for (int round = 0; round < kRounds; ++round) {
        const RoundShares shares = measure_round(options, round, seconds / kRounds, bus);
        cost.ran = cost.ran && shares.ran;
        for (int role = 0; role < 3; ++role)
            cost.share[role] += shares.share[role] / kRounds;
        cost.busThread += shares.busThread / kRounds;
        const double idle = shares.share[NoClient] - shares.share[NoBus];
        const double watching = shares.share[Watched] - shares.share[NoClient];
        cost.idleLow = std::min(cost.idleLow, idle);
        cost.idleHigh = std::max(cost.idleHigh, idle);
        cost.watchingLow = std::min(cost.watchingLow, watching);
        cost.watchingHigh = std::max(cost.watchingHigh, watching);
    }
    return cost;
}

QString percent_range(double low, double high)
{
    return QStringLiteral("%1 … %2").arg(number(low * 100, 3), number(high * 100, 3));
}

} // namespace

bool add_bus_cost_rows(QList<ResultRow>& rows, int seconds)
{
    bool ran = true;
    for (const bool sweep : {false, true}) {
        const BusCost cost = measure(sweep, seconds);
        ran = ran && cost.ran;
        const double idle = (cost.share[NoClient] - cost.share[NoBus]) * 100;
        const double watching = (cost.share[Watched] - cost.share[NoClient]) * 100;
        // Nothing measurable: the rounds do not agree that the bus costs anything, or it is
        // under 0.05 % of a core.
        const bool idleUnmeasurable = cost.idleLow <= 0 || idle <= 0.05;
        rows.push_back({QStringLiteral("Panel CPU, %1 readings (%2 rounds, %3 s): no bus / on the bus, no client / "
                                       "`watch` attached")
                            .arg(sweep ? QStringLiteral("changing") : QStringLiteral("constant"))
                            .arg(kRounds)
                            .arg(seconds),
                        QStringLiteral("%1 % / %2 % / %3 % of one core")
                            .arg(number(cost.share[NoBus] * 100, 3), number(cost.share[NoClient] * 100, 3),
                                 number(cost.share[Watched] * 100, 3)),
                        "", cost.ran});
        rows.push_back({QStringLiteral("  added by the bus with no client (rounds); of it, Qt D-Bus's thread"),
                        QStringLiteral("%1 % (%2); %3 % of one core")
                            .arg(number(idle, 3), percent_range(cost.idleLow, cost.idleHigh),
                                 number(cost.busThread * 100, 3)),
                        QStringLiteral("not measurable"), cost.ran && idleUnmeasurable});
        rows.push_back({QStringLiteral("  added by a watching client (rounds)"),
                        QStringLiteral("%1 % (%2) of one core")
                            .arg(number(watching, 3), percent_range(cost.watchingLow, cost.watchingHigh)),
                        QStringLiteral("≤ 0.2 %"), cost.ran && watching <= 0.2});
    }
    return ran;
}
