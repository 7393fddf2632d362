// pelmorad: holds the serial I/O card without a window, on the machine it is plugged into.
#include "headless_card.h"
#include "outputs_file.h"
#include "outputs_writer.h"
#include "service_bus.h"
#include "service_options.h"
#include "systemd_notify.h"

#include "card_bus/card_bus_service.h"
#include "card_mqtt/card_mqtt.h"
#include "card_mqtt/forget_card.h"
#include "card_link/card_name.h"
#include "card_link/port_device.h"
#include "platform/process/stop_signals.h"

#include <QCoreApplication>

#include <algorithm>

#include <cstdio>
#include <memory>
#include <optional>

namespace {

void say(const QString& line)
{
    std::fprintf(stderr, "pelmorad: %s\n", qPrintable(line));
}

// Answers --help, --version or a bad command line with the exit status; nothing when
// the service is to run.
std::optional<int> answerWithoutRunning(const ServiceCommandLine& line)
{
    switch (line.action) {
    case ServiceCommandLine::Action::Run:
        return std::nullopt;
    case ServiceCommandLine::Action::Help:
        std::fputs(qPrintable(serviceUsage()), stdout);
        return 0;
    case ServiceCommandLine::Action::Version:
        std::printf("pelmorad %s\n", PELMORA_VERSION);
        return 0;
    case ServiceCommandLine::Action::Refused:
        break;
    }
    std::fprintf(stderr, "pelmorad: %s\nTry 'pelmorad --help'.\n", qPrintable(line.error));
    return 2;
}

// The last run's outputs, as their file holds them: their mask and
// the deadlines of the timed ones; said when they are there.
std::optional<card_safety::KeptOutputs> lastRun(const ServiceSettings& settings, const OutputsFile& file)
{
    const auto& outputs = settings.safety.outputs;
    const bool restoring = settings.outputsAtStart == ServiceSettings::OutputsAtStart::Restore
        || std::any_of(outputs.begin(), outputs.end(),
                       [](const card_safety::OutputSafety& output) { return output.atStart == card_safety::AtStart::Restore; });
    // Read whatever is restored: an output on at start waits for a partner the card may still hold.
    QString problem;
    const std::optional<card_safety::KeptOutputs> kept = file.read(problem);
    if (!problem.isEmpty() && restoring)
        say(problem + QStringLiteral("; no output is restored"));
    else if (kept && restoring)
        say(QStringLiteral("the outputs of the last run, 0x%1, restored from %2")
                .arg(kept->mask, 2, 16, QLatin1Char('0'))
                .arg(file.path()));
    return kept;
}

// What the guard does is said in the log, shown in systemd's status and kept in the file.
void followGuard(card_safety::OutputGuard& guard, HeadlessCard& card, OutputsWriter& writer)
{
    guard.events.safeApplied = [&](const QString& reason) {
        say(QStringLiteral("the safe state is put on the card: %1").arg(reason));
        emit card.statusChanged();
    };
    guard.events.safeCleared = [&] { emit card.statusChanged(); };
    guard.events.forcedOff = [](int, const QString& why) { say(why); };
    guard.events.deadlinesChanged = [&] { writer.offer(guard.kept()); };
    QObject::connect(&card, &HeadlessCard::outputsChanged, &writer, [&] { writer.offer(guard.kept()); });
}

// --mqtt-forget: the card taken off the broker; the exit status.
int forget(const card_mqtt::MqttSettings& settings)
{
    QString error;
    if (!card_mqtt::forgetCard(settings, std::chrono::seconds(10), error)) {
        say(error);
        return 1;
    }
    say(QStringLiteral("%1 is off the broker: its Home Assistant entities and its retained topics are gone")
            .arg(settings.name));
    return 0;
}

// The card on the broker too, when asked: what the card shows goes there.
std::unique_ptr<card_mqtt::CardMqtt> offerOnBroker(HeadlessCard& card, const card_mqtt::MqttSettings& settings,
                                                   card_safety::OutputGuard& guard)
{
    if (!settings.enabled)
        return nullptr;
    auto face = std::make_unique<card_mqtt::CardMqtt>(card, settings, QStringLiteral(PELMORA_VERSION),
                                                      card_link::Language::English);
    QObject::connect(&card, &HeadlessCard::changed, face.get(), [&card, face = face.get()] { face->show(card.shown()); });
    QObject::connect(face.get(), &card_mqtt::CardMqtt::said, face.get(), &say);
    // The broker and Home Assistant going away are causes of the safe state.
    QObject::connect(face.get(), &card_mqtt::CardMqtt::onBroker, face.get(), [&guard](bool on) {
        on ? guard.brokerUp() : guard.brokerDown();
    });
    QObject::connect(face.get(), &card_mqtt::CardMqtt::homeAssistantSaid, face.get(),
                     [&guard](bool online) { guard.homeAssistant(online); });
    face->show(card.shown());
    face->start();
    return face;
}

} // namespace

int main(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const ServiceCommandLine line = readServiceCommandLine(arguments);
    if (const std::optional<int> status = answerWithoutRunning(line))
        return *status;
    ServiceSettings settings = line.settings;
    // Without a broker it could never be reached, and the safe state would be taken at once.
    if (settings.safety.safeWhenBrokerLost && !settings.mqtt.enabled) {
        say(QStringLiteral("safe-when-broker-lost is let be: no broker is named (mqtt = URL)"));
        settings.safety.safeWhenBrokerLost.reset();
    }

    // Qt's own event loop, which costs less a wakeup than GLib's, unless the user chose.
    if (!qEnvironmentVariableIsSet("QT_NO_GLIB"))
        qputenv("QT_NO_GLIB", "1");
    QCoreApplication app(argc, argv);
    std::setvbuf(stderr, nullptr, _IOLBF, 0);
    platform::StopSignals stopSignals;
    QObject::connect(&stopSignals, &platform::StopSignals::stopRequested, &app, &QCoreApplication::quit);

    const QString name = settings.name.isEmpty() ? card_link::defaultCardName(card_link::resolveDevice(settings.device))
                                                 : settings.name;
    card_mqtt::MqttSettings mqtt = settings.mqtt;
    mqtt.name = name;
    mqtt.timedOutputs = card_safety::timedOutputs(settings.safety);
    mqtt.safeState = card_safety::hasSafeState(settings.safety);
    if (settings.mqttForget)
        return forget(mqtt);
    const OutputsFile file(OutputsFile::pathFor(name));
    card_safety::OutputGuard guard(settings.safety);
    HeadlessCard card(settings.device, name, guard);
    QObject::connect(&card, &HeadlessCard::said, &card, &say);
    OutputsWriter writer(file, &say);
    SystemdNotify notify;
    followGuard(guard, card, writer);
    // The card first: its first request goes out before anything else is set up. The file
    // holds the outputs of this run from its start on, whichever way it started.
    card.start(guard.start(lastRun(settings, file), settings.outputsAtStart == ServiceSettings::OutputsAtStart::Restore));
    writer.offer(guard.kept());

    card_bus::CardBusService face(card);
    // Nobody may be listening on a machine in a cabinet: readings that move at every poll go
    // out every five seconds, unless a client claims them (pelmora-ctl watch does).
    face.setUnclaimedReadingsInterval(5000);
    QObject::connect(&card, &HeadlessCard::changed, &face, [&] { face.show(card.shown()); });
    face.show(card.state());
    if (const QString problem = offerOnBus(face, name, settings.systemBus); !problem.isEmpty())
        say(problem);
    const std::unique_ptr<card_mqtt::CardMqtt> broker = offerOnBroker(card, mqtt, guard);
    // The card's state, and the broker's beside it when the card is offered there.
    const auto statusLine = [&] { return broker ? card.status() + QStringLiteral("; ") + broker->status() : card.status(); };
    notify.ready(statusLine());
    QObject::connect(&card, &HeadlessCard::statusChanged, &card, [&] { notify.status(statusLine()); });
    if (broker)
        QObject::connect(broker.get(), &card_mqtt::CardMqtt::statusChanged, &card, [&] { notify.status(statusLine()); });
    QObject::connect(&card, &HeadlessCard::ticked, &card, [&notify] { notify.watchdog(); });

    const int status = app.exec();
    notify.stopping();
    card.finish();
    writer.flush();
    return status;
}
