#include "service_pair.h"

#include "process_usage.h"
#include "sample_statistics.h"

#include <vector>

namespace {

constexpr int kRounds = 4;
constexpr int kSettleMs = 3000;

QString number(double value, int decimals) { return QString::number(value, 'f', decimals); }

} // namespace

ServiceOnCard::ServiceOnCard(const QString& name, const QStringList& arguments, const QStringList& cardOptions)
    : card(cardOptions + QStringList{"--log", home.filePath("frames")})
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_STATE_HOME"), home.path());
    program = std::make_unique<MeasuredProgram>(QStringLiteral(PELMORA_BIN_DIR "/pelmorad"),
                                                QStringList{card.device(), QStringLiteral("--name"), name} + arguments,
                                                environment);
}

ResultRow pairedCostRow(const QString& what, const ServiceMaker& makeWith, const ServiceMaker& makeWithout,
                        int seconds, double aim)
{
    std::vector<double> ratios, withShares, withoutShares;
    for (int round = 0; round < kRounds; ++round) {
        std::unique_ptr<ServiceOnCard> with, without;
        if (round % 2 == 0)
            with = makeWith();
        without = makeWithout();
        if (!with)
            with = makeWith();
        runEventsFor(kSettleMs);
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
    return {QStringLiteral("pelmorad %1, changing readings (%2 rounds of %3 s)")
                .arg(what)
                .arg(kRounds)
                .arg(number(roundSeconds, 0)),
            QStringLiteral("%1 % / %2 % of one core (medians) = %3 × (rounds %4 … %5 ×)")
                .arg(number(medianOf(withShares) / roundSeconds * 100, 3),
                     number(medianOf(withoutShares) / roundSeconds * 100, 3), number(ratio, 2),
                     number(percentileOf(ratios, 0), 2), number(percentileOf(ratios, 100), 2)),
            QStringLiteral("≤ %1 ×").arg(aim), int(ratios.size()) == kRounds && ratio <= aim};
}
