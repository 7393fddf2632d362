// pelmora: the control panel of the serial I/O card.
#include "command_line.h"
#include "form1.h"
#include "window_holder.h"
#include "window_on_bus.h"

#include "card_bus/card_bus_service.h"
#include "card_mqtt/card_mqtt.h"
#include "card_safety/output_guard.h"
#include "platform/process/window_system_failure.h"

#include "platform/process/stop_signals.h"

#include <QApplication>
#include <cstdio>
#include <memory>
#include <optional>

namespace {

// Answers --help, --version or a bad command line with the exit status; nothing
// when the window is to run.
std::optional<int> answerWithoutWindow(const panel::CommandLine& line)
{
    switch (line.action) {
    case panel::CommandLine::Action::Run:
        return std::nullopt;
    case panel::CommandLine::Action::Help:
        std::fputs(qPrintable(panel::usageText()), stdout);
        return 0;
    case panel::CommandLine::Action::Version:
        std::printf("pelmora %s\n", PELMORA_VERSION);
        return 0;
    case panel::CommandLine::Action::Refused:
        break;
    }
    std::fprintf(stderr, "pelmora: %s\nProvare 'pelmora --help'.\n", qPrintable(line.error));
    return 2;
}

// The panel's own settings for Qt, before the application is made. The menu stays in the
// window, as on every desktop: no desktop-wide menu bar is looked for, which would also cost
// the start a round trip to the session bus (or the start of a bus where there is none).
// What the panel repaints ten times a second is a needle's strip and a readout, a few
// kilobytes: sent to the X server in the request itself it costs less than through shared
// memory, whose every transfer waits for the server's answer (one more wakeup for each
// changed reading). A user's own setting is kept.
void prepareQt()
{
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeMenuBar);
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM"))
        qputenv("QT_XCB_NO_MITSHM", "1");
}

std::unique_ptr<QApplication> makeApplication(int& argc, char** argv)
{
    const platform::WindowSystemFailureExit noCoreDump([](const QString& reason) {
        return QStringLiteral("pelmora: nessuno schermo su cui aprire la finestra (%1). Avviare pelmora da una "
                              "sessione grafica, oppure con xvfb-run -a pelmora, oppure con pelmora -platform "
                              "offscreen.")
            .arg(reason);
    });
    return std::make_unique<QApplication>(argc, argv);
}

// On the broker too, when asked: a command from there is a press of the output's button.
std::unique_ptr<card_mqtt::CardMqtt> offerOnBroker(panel::Form1& window, panel::WindowHolder& holder,
                                                   const card_mqtt::MqttSettings& settings,
                                                   const card_safety::SafetySettings& safety, const QString& name)
{
    if (!settings.enabled)
        return nullptr;
    card_mqtt::MqttSettings mqtt = settings;
    mqtt.name = name;
    mqtt.timedOutputs = card_safety::timedOutputs(safety);
    mqtt.safeState = card_safety::hasSafeState(safety);
    auto broker = std::make_unique<card_mqtt::CardMqtt>(holder, mqtt, QStringLiteral(PELMORA_VERSION),
                                                        card_link::Language::Italian);
    QObject::connect(&window, &panel::Form1::cardShown, broker.get(),
                     [&window, face = broker.get()] { face->show(window.shownCard()); });
    QObject::connect(broker.get(), &card_mqtt::CardMqtt::said, broker.get(),
                     [](const QString& said) { std::fprintf(stderr, "pelmora: %s\n", qPrintable(said)); });
    if (card_safety::OutputGuard* guard = window.guard()) {
        QObject::connect(broker.get(), &card_mqtt::CardMqtt::onBroker, broker.get(),
                         [guard](bool on) { on ? guard->brokerUp() : guard->brokerDown(); });
        QObject::connect(broker.get(), &card_mqtt::CardMqtt::homeAssistantSaid, broker.get(),
                         [guard](bool online) { guard->homeAssistant(online); });
    }
    broker->show(window.shownCard());
    broker->start();
    return broker;
}

} // namespace

int main(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const panel::CommandLine line = panel::parseCommandLine(arguments);
    if (const auto status = answerWithoutWindow(line))
        return *status;
    if (!line.device.isEmpty())
        qputenv("PELMORA_COM1", line.device.toLocal8Bit());
    prepareQt();
    const std::unique_ptr<QApplication> app = makeApplication(argc, argv);
    // Before the window, whose start-up opens the port; after QApplication, whose
    // event loop reads them.
    platform::StopSignals stopSignals;
    panel::Form1 window;
    // Kept safe as the service's settings say, when given: the same guard decides every mask.
    std::optional<card_safety::OutputGuard> guard;
    card_safety::SafetySettings safety = line.safety;
    if (safety.safeWhenBrokerLost && !line.mqtt.enabled) {
        std::fprintf(stderr, "pelmora: safe-when-broker-lost non vale: nessun broker (--mqtt URL)\n");
        safety.safeWhenBrokerLost.reset();
    }
    if (safety.configured()) {
        guard.emplace(safety);
        guard->events.safeApplied = [](const QString& why) { std::fprintf(stderr, "pelmora: stato sicuro: %s\n", qPrintable(why)); };
        guard->events.forcedOff = [](int, const QString& why) { std::fprintf(stderr, "pelmora: %s\n", qPrintable(why)); };
        window.setGuard(&*guard);
    }
    QObject::connect(&stopSignals, &platform::StopSignals::stopRequested, &window, &panel::Form1::endProgram);
    for (const QString& problem : window.problems())
        std::fprintf(stderr, "pelmora: %s\n", qPrintable(problem));
    window.setCardName(line.name.isEmpty() ? window.defaultCardName() : line.name);
    // On the bus from start-up on, so that a script reaches the panel even while a
    // message box about the port waits for the user.
    panel::WindowHolder holder(window);
    card_bus::CardBusService busService(holder);
    panel::connectWindowToService(window, busService);
    panel::offerOnSessionBus(busService);
    window.Form_Load();
    if (window.ending())
        return 0;
    // Named once the port is chosen, and the name stays while the panel runs: it is part of
    // every topic on the broker.
    const QString name = line.name.isEmpty() ? window.defaultCardName() : line.name;
    window.setCardName(name);
    const std::unique_ptr<card_mqtt::CardMqtt> broker = offerOnBroker(window, holder, line.mqtt, line.safety, name);
    window.show();
    return app->exec();
}
