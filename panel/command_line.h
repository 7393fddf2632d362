#pragma once
// The panel's command line: --help, --version, the card's name, the broker to offer the
// card on, and an optional device to open as Com1; Qt's own options (-platform offscreen,
// -style Fusion, -display :1, ...) are let through for QApplication. Read before any
// display is needed.

#include "card_mqtt/mqtt_settings.h"
#include "card_safety/safety_settings.h"

#include <QString>
#include <QStringList>

namespace panel {

struct CommandLine {
    enum class Action { Run, Help, Version, Refused };
    Action action = Action::Run;
    QString device;  // opened as Com1 when not empty, as PELMORA_COM1 would be
    QString name;    // --name: the card's name on the bus and the broker; empty: Com1's device's file name
    card_mqtt::MqttSettings mqtt;  // --mqtt and the options beside it
    card_safety::SafetySettings safety;  // from --config FILE: the service's file, its safety keys
    QString error;   // why the command line was refused, in Italian
};

// `arguments` as the program received them, its own name first.
CommandLine parseCommandLine(const QStringList& arguments);

// What --help prints.
QString usageText();

} // namespace panel
