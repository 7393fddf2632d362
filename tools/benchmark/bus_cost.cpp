#include "bus_cost.h"

#include "card_and_panel_processes.h"
#include "measured_program.h"
#include "private_session_bus.h"
#include "process_usage.h"

#include <QElapsedTimer>
#include <QTemporaryDir>

#include <array>
#include <memory>

namespace {

QString number(double value, int decimals) { return QString::number(value, 'f', decimals); }

struct BusShares {
    bool ran = false;
    double noBus = 0, noClient = 0, watched = 0;  // shares of one core
};

BusShares measure(bool sweep, int seconds)
{
    BusShares shares;
    const QStringList options = sweep ? QStringList{QStringLiteral("--sweep")} : QStringList{};
    std::array<std::unique_ptr<VirtualCard>, 3> cards;
    for (auto& card : cards) {
        card = std::make_unique<VirtualCard>(options);
        if (card->device().isEmpty())
            return shares;
    }
    QTemporaryDir alone, onBus;
    // No bus at all: no address, and a runtime folder with no bus in it.
    QProcessEnvironment noBus = panel_environment(cards[0]->device(), {}, alone);
    noBus.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    const MeasuredProgram lonely(QStringLiteral(PELMORA_BIN_DIR "/pelmora"), {}, noBus);
    PrivateSessionBus bus;
    if (!bus.error().isEmpty())
        return shares;
    const MeasuredProgram unwatched(QStringLiteral(PELMORA_BIN_DIR "/pelmora"), {},
                                    panel_environment(cards[1]->device(), {}, onBus));
    const MeasuredProgram watchedPanel(QStringLiteral(PELMORA_BIN_DIR "/pelmora"), {},
                                       panel_environment(cards[2]->device(), {}, onBus));
    // Past start-up (the gauge library, fonts, the first paints) before anything is counted.
    runEventsFor(5000);
    QProcessEnvironment quiet = QProcessEnvironment::systemEnvironment();
    const MeasuredProgram watch(QStringLiteral(PELMORA_BIN_DIR "/pelmora-ctl"),
                                {QStringLiteral("--device"), cards[2]->device(), QStringLiteral("watch")}, quiet);
    runEventsFor(500);
    const std::array<const MeasuredProgram*, 3> panels{&lonely, &unwatched, &watchedPanel};
    std::array<ProcessUsage, 3> before;
    for (std::size_t i = 0; i < panels.size(); ++i)
        before[i] = process_usage(panels[i]->pid());
    QElapsedTimer wall;
    wall.start();
    runEventsFor(seconds * 1000);
    const double elapsed = static_cast<double>(wall.elapsed()) / 1000.0;
    std::array<double, 3> share{};
    for (std::size_t i = 0; i < panels.size(); ++i)
        share[i] = (process_usage(panels[i]->pid()) - before[i]).cpuSeconds / elapsed;
    shares = {lonely.running() && unwatched.running() && watchedPanel.running() && watch.running(), share[0],
              share[1], share[2]};
    return shares;
}

} // namespace

bool add_bus_cost_rows(QList<ResultRow>& rows, int seconds)
{
    bool ran = true;
    for (const bool sweep : {false, true}) {
        const BusShares shares = measure(sweep, seconds);
        ran = ran && shares.ran;
        const double idle = (shares.noClient - shares.noBus) * 100;
        const double watching = (shares.watched - shares.noClient) * 100;
        rows.push_back({QStringLiteral("Panel CPU, %1 readings (%2 s): no bus / on the bus, no client / `watch` attached")
                            .arg(sweep ? QStringLiteral("changing") : QStringLiteral("constant"))
                            .arg(seconds),
                        QStringLiteral("%1 % / %2 % / %3 % of one core")
                            .arg(number(shares.noBus * 100, 3), number(shares.noClient * 100, 3),
                                 number(shares.watched * 100, 3)),
                        "", shares.ran});
        rows.push_back({QStringLiteral("  added by the bus with no client; by a watching client"),
                        QStringLiteral("%1 %; %2 % of one core").arg(number(idle, 3), number(watching, 3)),
                        QStringLiteral("≤ 0.05 %; ≤ 0.2 %"), shares.ran && idle <= 0.05 && watching <= 0.2});
    }
    return ran;
}
