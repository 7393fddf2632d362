#include "mqtt_words.h"

namespace card_mqtt {
namespace {

using card_link::Language;

QString say(Language language, const char* italian, const char* english)
{
    return QString::fromUtf8(language == Language::Italian ? italian : english);
}

QString seconds(std::chrono::milliseconds wait)
{
    return QString::number((wait.count() + 500) / 1000);
}

} // namespace

QString connectedLine(const QString& where, const QString& clientId, Language language)
{
    return say(language, "collegato al broker %1 come %2", "connected to the broker at %1 as %2").arg(where, clientId);
}

QString problemLine(const QString& where, const QString& words, std::chrono::milliseconds wait, Language language)
{
    return say(language, "il broker %1: %2; nuovo tentativo fra %3 s", "the broker at %1: %2; trying again in %3 s")
        .arg(where, words, seconds(wait));
}

QString takenOverLine(const QString& where, const QString& clientId, std::chrono::milliseconds wait, Language language)
{
    return say(language,
               "il broker %1 ha chiuso la connessione: un altro programma si è collegato con lo stesso identificativo %2; "
               "nuovo tentativo fra %3 s",
               "the broker at %1 closed the connection: another program connected with the same client id %2; "
               "trying again in %3 s")
        .arg(where, clientId, seconds(wait));
}

QString nameUsedLine(const QString& name, const QString& where, const QString& program, const QString& machine,
                     Language language)
{
    return say(language,
               "il nome %1 su %2 è usato da %3 su %4: questa scheda resta fuori dal broker, e letta come sempre "
               "(dalle un altro --name)",
               "the name %1 on %2 is used by %3 on %4: this card stays off the broker, and is polled as ever "
               "(give it another --name)")
        .arg(name, where, program, machine);
}

QString nameUsedStatus(const QString& name, const QString& program, const QString& machine, Language language)
{
    return say(language, "il nome %1 è usato da %2 su %3", "the name %1 is used by %2 on %3").arg(name, program, machine);
}

QString refusedLine(const QString& where, const QString& topic, const QString& words, bool subscription,
                    Language language)
{
    return subscription ? say(language, "il broker %1 rifiuta l'iscrizione a %2: %3 (la sua lista di accesso?)",
                              "the broker at %1 refuses the subscription to %2: %3 (its access list?)")
                              .arg(where, topic, words)
                        : say(language,
                              "il broker %1 rifiuta ciò che la scheda pubblica, come %2: %3 (la sua lista di accesso?)",
                              "the broker at %1 refuses what the card publishes, such as %2: %3 (its access list?)")
                              .arg(where, topic, words);
}

QString libraryMissingLine(const QString& words, Language language)
{
    return say(language,
               "la scheda non è offerta su MQTT: manca libmosquitto (%1); installa il pacchetto libmosquitto1",
               "the card is not offered on MQTT: libmosquitto is missing (%1); install the package libmosquitto1")
        .arg(words);
}

QString statusLine(MqttStatus status, const QString& where, const QString& detail, Language language)
{
    switch (status) {
    case MqttStatus::Connecting:
        return say(language, "MQTT: in collegamento a %1", "MQTT: connecting to %1").arg(where);
    case MqttStatus::On:
        if (detail.isEmpty())
            return say(language, "MQTT: su %1", "MQTT: on %1").arg(where);
        return say(language, "MQTT: su %1, che rifiuta %2", "MQTT: on %1, which refuses %2").arg(where, detail);
    case MqttStatus::Off:
        return say(language, "MQTT: fuori da %1: %2", "MQTT: off %1: %2").arg(where, detail);
    case MqttStatus::TakenOver:
        return say(language, "MQTT: fuori da %1: un altro programma ha lo stesso identificativo %2",
                   "MQTT: off %1: another program has the same client id %2")
            .arg(where, detail);
    case MqttStatus::Unavailable:
        return say(language, "MQTT: non offerta: manca libmosquitto", "MQTT: not offered: libmosquitto is missing");
    }
    return {};
}

QString notACommandLine(const QString& topic, const QString& payload, Language language)
{
    return say(language, "%1: '%2' non è un comando: si manda ON o OFF", "%1: '%2' is not a command: send ON or OFF")
        .arg(topic, payload);
}

QString retainedCommandLine(const QString& topic, const QString& payload, Language language)
{
    return say(language, "%1: '%2' è un comando conservato dal broker, e non viene eseguito",
               "%1: '%2' is a command the broker kept (retained), and is not obeyed")
        .arg(topic, payload);
}

QString notDoneLine(const QString& topic, const QString& why, Language language)
{
    return say(language, "%1: non eseguito: %2", "%1: not done: %2").arg(topic, why);
}

} // namespace card_mqtt
