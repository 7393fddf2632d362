#pragma once
// How a program that holds the card reaches the broker, and under which topics it offers
// the card there: read from --mqtt URL and the options beside it (the service's
// configuration file takes the same keys). The panel and the service read them alike.

#include "port_messages/port_messages.h"

#include <QString>
#include <QStringList>

namespace card_mqtt {

struct MqttSettings {
    bool enabled = false;       // --mqtt was given
    bool tls = false;           // mqtts://
    QString user;               // from mqtt://USER@HOST
    QString host;               // without the brackets of an IPv6 address
    quint16 port = 1883;        // 1883, or 8883 for mqtts://
    QString password;           // read from --mqtt-password-file
    QString passwordWarning;    // said once when the card goes on the broker: others may read the file
    QString caFile;             // --mqtt-ca: else the system's certificate authorities
    QString topicPrefix = QStringLiteral("pelmora");
    QString haPrefix = QStringLiteral("homeassistant");
    // Where Home Assistant says it has started: its own default, whatever the prefix.
    QString haStatusTopic = QStringLiteral("homeassistant/status");
    bool discovery = true;      // --no-ha turns it off
    double deadband = 0.02;     // volts an analogue input must move to be published again
    int timedOutputs = 0;       // channels with a time set (bit 7 - channel): their time left is offered
    bool safeState = false;     // a safe state is configured: it is offered as an entity
    QString name;               // the card's name, part of every topic
};

// Each reads one option's value into `settings`; empty when it is good, else what is
// wrong with it, in the program's language.
QString readMqttUrl(const QString& url, MqttSettings& settings, card_link::Language language);
QString readPasswordFile(const QString& path, MqttSettings& settings, card_link::Language language);
QString readCaFile(const QString& path, MqttSettings& settings, card_link::Language language);
// A topic (or a prefix of topics): letters, digits, - and _, in parts separated by /.
QString readTopicPrefix(const QString& prefix, QString& into, card_link::Language language);
QString readDeadband(const QString& volts, MqttSettings& settings, card_link::Language language);

// The options that take a value, as the command line (with "--") and a configuration file
// name them: mqtt, mqtt-password-file, mqtt-ca, mqtt-topic, ha-prefix, ha-status-topic,
// mqtt-deadband. The
// flag no-ha turns discovery off; the caller reads it.
const QStringList& mqttValueKeys();
// Reads the option `key` (one of mqttValueKeys) with its value, as the functions above do.
QString readMqttOption(const QString& key, const QString& value, MqttSettings& settings, card_link::Language language);

} // namespace card_mqtt
