// pelmorad: holds the serial I/O card without a window, on the machine it is plugged into.
#include "headless_card.h"
#include "outputs_file.h"
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

// The outputs to start with, and the file that keeps them from now on.
int outputsAtStart(const ServiceSettings& settings, const OutputsFile& file)
{
    if (settings.outputsAtStart == ServiceSettings::OutputsAtStart::Off)
        return 0;
    QString problem;
    const std::optional<int> kept = file.read(problem);
    if (!problem.isEmpty())
        say(problem + QStringLiteral("; every output starts off"));
    return kept.value_or(0);
}

// Every change of the outputs is kept; a file that cannot be written is said once.
void keepOutputs(HeadlessCard& card, const OutputsFile& file)
{
    QObject::connect(&card, &HeadlessCard::outputsChanged, &card, [&file, failed = false](int outputs) mutable {
        QString problem;
        if (!file.write(outputs, problem) && !std::exchange(failed, true))
            say(problem + QStringLiteral("; the outputs will not be restored"));
    });
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
std::unique_ptr<card_mqtt::CardMqtt> offerOnBroker(HeadlessCard& card, const card_mqtt::MqttSettings& settings)
{
    if (!settings.enabled)
        return nullptr;
    auto face = std::make_unique<card_mqtt::CardMqtt>(card, settings, QStringLiteral(PELMORA_VERSION),
                                                      card_link::Language::English);
    QObject::connect(&card, &HeadlessCard::changed, face.get(), [&card, face = face.get()] { face->show(card.shown()); });
    QObject::connect(face.get(), &card_mqtt::CardMqtt::said, face.get(), &say);
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
    const ServiceSettings& settings = line.settings;

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
    if (settings.mqttForget)
        return forget(mqtt);
    HeadlessCard card(settings.device, name);
    QObject::connect(&card, &HeadlessCard::said, &card, &say);
    const OutputsFile file(OutputsFile::pathFor(name));
    keepOutputs(card, file);
    // The card first: its first request goes out before anything else is set up.
    card.start(outputsAtStart(settings, file));

    card_bus::CardBusService face(card);
    // Nobody may be listening on a machine in a cabinet: readings that move at every poll go
    // out every five seconds, unless a client claims them (pelmora-ctl watch does).
    face.setUnclaimedReadingsInterval(5000);
    QObject::connect(&card, &HeadlessCard::changed, &face, [&] { face.show(card.shown()); });
    face.show(card.state());
    if (const QString problem = offerOnBus(face, name, settings.systemBus); !problem.isEmpty())
        say(problem);
    const std::unique_ptr<card_mqtt::CardMqtt> broker = offerOnBroker(card, mqtt);
    SystemdNotify notify;
    notify.ready(card.status());
    QObject::connect(&card, &HeadlessCard::statusChanged, &card, [&] { notify.status(card.status()); });
    QObject::connect(&card, &HeadlessCard::ticked, &card, [&notify] { notify.watchdog(); });

    const int status = app.exec();
    notify.stopping();
    return status;
}
