#pragma once
// pelmorad's settings, from its command line and its configuration file (--config), the
// command line winning: what to open, the card's name, the outputs at start and the bus.

#include "card_mqtt/mqtt_settings.h"
#include "card_safety/safety_settings.h"

#include <QString>
#include <QStringList>

struct ServiceSettings {
    enum class OutputsAtStart { Off, Restore };

    QString device;  // a path, a remote name, Com1..Com4; empty only with --mqtt-forget
    QString name;    // the card's name, or --default-name; empty: its device's file name
    OutputsAtStart outputsAtStart = OutputsAtStart::Off;
    bool systemBus = false;
    card_mqtt::MqttSettings mqtt;  // its name is the card's, set once that is known
    card_safety::SafetySettings safety;
    bool mqttForget = false;       // take the card off the broker and end
};

struct ServiceCommandLine {
    enum class Action { Run, Help, Version, Refused };
    Action action = Action::Run;
    ServiceSettings settings;
    QString error;  // why it was refused, saying where: "--name: ..." or "FILE:LINE: ..."
};

// `arguments` as the program received them, its own name first.
ServiceCommandLine readServiceCommandLine(const QStringList& arguments);

// What --help prints.
QString serviceUsage();
