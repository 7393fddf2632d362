#include "port_messages/port_messages.h"

#include "message_templates.h"

#include "card_link/port_map.h"

#include <QStringList>

namespace card_link {
namespace {

using Kind = PortProblem::Kind;

// One message in both languages. `variant` tells apart the messages of one kind: 1 for a
// denied device whose group may use it, and for a held device whose holder is known.
struct Words {
    Kind kind;
    int variant;
    const char* italian;
    const char* english;
};

// Each message whole, but the reasons why a card on another machine cannot be reached,
// which kUnreachable puts in one sentence.
const Words kMessages[] = {
    {Kind::Absent, 0, "Com{number}: su questo computer non c'è una porta seriale numero {number} (e {variable} non è impostata).",
     "Com{number}: this computer has no serial port number {number} (and {variable} is not set)."},
    {Kind::Missing, 0, "{port} non esiste: il dispositivo non è collegato o il nome è sbagliato{because}.",
     "{port} does not exist: the device is not plugged in or the name is wrong{because}."},
    {Kind::NotPermitted, 1, "{port}: accesso negato{because}. Aggiungere l'utente {user} al gruppo {group} "
                            "(sudo adduser {user} {group}) e rientrare nella sessione.",
     "{port}: permission denied{because}. Add the user {user} to the group {group} (sudo adduser {user} {group}) "
     "and log in again."},
    {Kind::NotPermitted, 0, "{port}: accesso negato{because}. Chiedere all'amministratore di concedere all'utente "
                            "{user} l'accesso al dispositivo.",
     "{port}: permission denied{because}. Ask the administrator to give the user {user} access to the device."},
    {Kind::Held, 1, "{port} è già in uso da parte di un altro programma ({subject}): chiuderlo e riprovare.",
     "{port} is in use by another program ({subject}): close it and try again."},
    {Kind::Held, 0, "{port} è già in uso da parte di un altro programma: chiuderlo e riprovare{because}.",
     "{port} is in use by another program: close it and try again{because}."},
    {Kind::StaleLock, 0, "{port} è bloccata dal file {subject}, rimasto da un programma che è terminato: "
                         "cancellarlo (sudo rm {subject}) e riprovare.",
     "{port} is locked by the file {subject}, left behind by a program that has ended: remove it "
     "(sudo rm {subject}) and try again."},
    {Kind::OpenFailed, 0, "{port}: impossibile aprire la porta{because}.", "{port}: cannot open the port{because}."},
    {Kind::Lost, 0, "{port}: il dispositivo è scomparso{because}.", "{port}: the device went away{because}."},
    {Kind::UnknownScheme, 0, "{port}: schema sconosciuto; si usa rfc2217://HOST:PORTA (telnet con RFC 2217) "
                             "oppure socket://HOST:PORTA (TCP semplice).",
     "{port}: unknown scheme; use rfc2217://HOST:PORT (telnet with RFC 2217) or socket://HOST:PORT (plain TCP)."},
    {Kind::UnbracketedAddress, 0, "{port}: un indirizzo IPv6 va scritto tra parentesi quadre, per esempio "
                                  "rfc2217://[::1]:3001.",
     "{port}: an IPv6 address is written in square brackets, for example rfc2217://[::1]:3001."},
    {Kind::UnclosedAddress, 0, "{port}: manca la ] che chiude l'indirizzo IPv6.",
     "{port}: the ] that closes the IPv6 address is missing."},
    {Kind::NoPortAfterAddress, 0, "{port}: dopo l'indirizzo IPv6 tra [ ] ci vuole :PORTA.",
     "{port}: the IPv6 address in [ ] must be followed by :PORT."},
    {Kind::NotAnAddress, 0, "{port}: {subject} non è un indirizzo IPv6.", "{port}: {subject} is not an IPv6 address."},
    {Kind::NoHost, 0, "{port}: manca il nome o l'indirizzo del computer.", "{port}: the computer's name or address is missing."},
    {Kind::BadHost, 0, "{port}: {subject} non è un nome di computer valido.", "{port}: {subject} is not a valid computer name."},
    {Kind::NoPort, 0, "{port}: manca la porta TCP (:PORTA, da 1 a 65535).", "{port}: the TCP port is missing (:PORT, 1 to 65535)."},
    {Kind::BadPort, 0, "{port}: la porta TCP {subject} non è valida (deve essere da 1 a 65535).",
     "{port}: the TCP port {subject} is not valid (it must be 1 to 65535)."},
    {Kind::LineNotNegotiable, 0, "{port}: il server non accetta le impostazioni della linea (RFC 2217); "
                                 "la linea resta come il server l'ha impostata.",
     "{port}: the server takes no line settings (RFC 2217); the line stays as the server set it."},
    {Kind::SettingRefused, 0, "{port}: il server non ha accettato l'impostazione \"{settings}\" della linea.",
     "{port}: the server did not take the line setting \"{settings}\"."},
    {Kind::SettingsUnconfirmed, 0, "{port}: il server non ha confermato entro {seconds} s: {settings}.",
     "{port}: the server did not confirm within {seconds} s: {settings}."},
    {Kind::NotTelnet, 0, "{port}: {host}:{tcp} non risponde in telnet: è una porta semplice? usare socket://",
     "{port}: {host}:{tcp} does not answer telnet: is it a raw port? use socket://"},
};

const Words kUnreachable = {Kind::Internal, 0, "{port}: impossibile raggiungere la scheda su {host}:{tcp}: {why}.",
                            "{port}: cannot reach the card at {host}:{tcp}: {why}."};

const Words kReasons[] = {
    {Kind::HostUnknown, 0, "il nome {host} non è conosciuto", "the name {host} is not known"},
    {Kind::ConnectionRefused, 0, "connessione rifiutata: nessun server in ascolto su quella porta",
     "connection refused: no server listens on that port"},
    {Kind::ServerClosed, 0, "il server ha chiuso la connessione", "the server closed the connection"},
    {Kind::NetworkDown, 0, "rete non raggiungibile ({reason})", "network unreachable ({reason})"},
    {Kind::NetworkFailed, 0, "{reason}", "{reason}"},
    {Kind::NoAnswer, 0, "nessuna risposta entro {seconds} s", "no answer within {seconds} s"},
    {Kind::AttemptAbandoned, 0, "tentativo abbandonato per un'altra porta", "attempt given up for another port"},
    {Kind::AttemptUnderWay, 0, "un tentativo di connessione è già in corso", "a connection attempt is already under way"},
    {Kind::AttemptInterrupted, 0, "tentativo interrotto", "attempt interrupted"},
    {Kind::ServerRefused, 0, "il server ha rifiutato: {reason}", "the server refused: {reason}"},
    {Kind::NegotiationFlood, 0, "il server inonda la connessione di negoziazioni telnet; connessione chiusa",
     "the server floods the connection with telnet negotiation; connection closed"},
};

const char* inLanguage(const Words& words, Language language)
{
    return language == Language::Italian ? words.italian : words.english;
}

template <std::size_t N>
const Words* find(const Words (&table)[N], Kind kind, int variant)
{
    for (const Words& words : table) {
        if (words.kind == kind && words.variant == variant)
            return &words;
    }
    return nullptr;
}

int variantOf(const PortProblem& problem)
{
    if (problem.kind == Kind::NotPermitted)
        return problem.groupMayUse && problem.group != QLatin1String("root") ? 1 : 0;
    if (problem.kind == Kind::Held)
        return problem.subject.isEmpty() ? 0 : 1;
    return 0;
}

QString settingList(const std::vector<unsigned char>& settings, Language language)
{
    QStringList words;
    for (unsigned char command : settings)
        words << settingWords(command, language);
    return words.join(QStringLiteral(", "));
}

MessageValues valuesOf(const PortProblem& problem, Language language)
{
    return {
        {QStringLiteral("port"), problem.port},
        {QStringLiteral("number"), QString::number(problem.number)},
        {QStringLiteral("variable"), portVariable(problem.number)},
        {QStringLiteral("reason"), problem.reason},
        {QStringLiteral("because"), problem.reason.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(problem.reason)},
        {QStringLiteral("subject"), problem.subject},
        {QStringLiteral("user"), problem.user},
        {QStringLiteral("group"), problem.group},
        {QStringLiteral("host"), problem.host},
        {QStringLiteral("tcp"), QString::number(problem.tcpPort)},
        {QStringLiteral("seconds"), QString::number(problem.seconds)},
        {QStringLiteral("settings"), settingList(problem.settings, language)},
    };
}

} // namespace

QString portMessage(const PortProblem& problem, Language language)
{
    MessageValues values = valuesOf(problem, language);
    if (const Words* words = find(kMessages, problem.kind, variantOf(problem)))
        return fillTemplate(inLanguage(*words, language), values);
    if (const Words* reason = find(kReasons, problem.kind, 0)) {
        values.insert(QStringLiteral("why"), fillTemplate(inLanguage(*reason, language), values));
        return fillTemplate(inLanguage(kUnreachable, language), values);
    }
    // NoDevice, Internal: the words that came with it.
    return problem.reason;
}

QString shortReason(const PortProblem& problem)
{
    static const std::pair<Kind, const char*> kWords[] = {
        {Kind::Absent, "no such serial port"},
        {Kind::Missing, "missing"},
        {Kind::NotPermitted, "not permitted"},
        {Kind::Held, "held by another program"},
        {Kind::StaleLock, "locked by a lock file left behind"},
        {Kind::OpenFailed, "cannot be opened"},
        {Kind::Lost, "gone"},
        {Kind::HostUnknown, "unknown host"},
        {Kind::ConnectionRefused, "connection refused"},
        {Kind::ServerClosed, "closed by the server"},
        {Kind::NetworkDown, "network unreachable"},
        {Kind::NetworkFailed, "network failure"},
        {Kind::NoAnswer, "no answer"},
        {Kind::ServerRefused, "refused by the server"},
        {Kind::NegotiationFlood, "flooded by the server"},
        {Kind::NoDevice, "no such port"},
    };
    for (const auto& [kind, words] : kWords) {
        if (kind == problem.kind)
            return QString::fromLatin1(words);
    }
    if (problem.kind >= Kind::UnknownScheme && problem.kind <= Kind::BadPort)
        return QStringLiteral("not a valid name");
    return problem.reason.isEmpty() ? QStringLiteral("connecting") : problem.reason;
}

QString settingWords(unsigned char command, Language language)
{
    static const char* const kSettings[][2] = {
        {"velocità 9600", "9600 baud"},         {"8 bit di dati", "8 data bits"}, {"nessuna parità", "no parity"},
        {"1 bit di stop", "1 stop bit"}, {"nessun controllo di flusso", "no flow control"},
    };
    const int index = language == Language::Italian ? 0 : 1;
    if (command >= 1 && command <= 5)
        return QString::fromUtf8(kSettings[command - 1][index]);
    return (language == Language::Italian ? QStringLiteral("comando %1") : QStringLiteral("command %1")).arg(command);
}

QString changeLine(CardWatch::Change change, const QString& port, Language language)
{
    using Change = CardWatch::Change;
    static const struct {
        Change change;
        const char* italian;
        const char* english;
    } kChanges[] = {
        {Change::Silent, "{port}: la scheda non risponde da {seconds} s; i valori mostrati non sono aggiornati.",
         "{port}: the card has not answered for {seconds} s; the values are not up to date."},
        {Change::Answering, "{port}: la scheda risponde di nuovo.", "{port}: the card answers again."},
        {Change::Gone, "{port}: il dispositivo è scomparso; nuovo tentativo ogni secondo.",
         "{port}: the device went away; trying again once a second."},
        {Change::Back, "{port}: il dispositivo è di nuovo presente e la porta è riaperta.",
         "{port}: the device is there again and the port is reopened."},
    };
    const MessageValues values = {
        {QStringLiteral("port"), port},
        {QStringLiteral("seconds"),
         QString::number(std::chrono::duration_cast<std::chrono::seconds>(CardWatch::kSilence).count())},
    };
    for (const auto& words : kChanges) {
        if (words.change == change)
            return fillTemplate(language == Language::Italian ? words.italian : words.english, values);
    }
    return {};
}

} // namespace card_link
