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
               "il broker %1 ha chiuso la connessione appena data: un altro programma con lo stesso identificativo %2 "
               "la prende (lo stesso nome su due macchine?); nuovo tentativo fra %3 s, poi più di rado",
               "the broker at %1 closed the connection at once: another program with the same client id %2 takes it "
               "(the same name on two machines?); trying again in %3 s, then less often")
        .arg(where, clientId, seconds(wait));
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
