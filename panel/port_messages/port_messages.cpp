#include "port_messages/port_messages.h"

#include "card_link/port_map.h"

#include <QStringList>

namespace panel {
namespace {

using Kind = card_link::PortProblem::Kind;

QString because(const card_link::PortProblem& problem)
{
    return problem.reason.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(problem.reason);
}

QString deniedText(const card_link::PortProblem& problem)
{
    if (problem.groupMayUse && problem.group != QLatin1String("root"))
        return QStringLiteral("%1: accesso negato%2. Aggiungere l'utente %3 al gruppo %4 "
                              "(sudo adduser %3 %4) e rientrare nella sessione.")
            .arg(problem.port, because(problem), problem.user, problem.group);
    return QStringLiteral("%1: accesso negato%2. Chiedere all'amministratore di concedere all'utente %3 "
                          "l'accesso al dispositivo.")
        .arg(problem.port, because(problem), problem.user);
}

// A local device; empty for any other kind.
QString localText(const card_link::PortProblem& problem)
{
    switch (problem.kind) {
    case Kind::Absent:
        return QStringLiteral("Com%1: su questo computer non c'è una porta seriale numero %1 (e %2 non è impostata).")
            .arg(problem.number)
            .arg(card_link::portVariable(problem.number));
    case Kind::Missing:
        return QStringLiteral("%1 non esiste: il dispositivo non è collegato o il nome è sbagliato%2.")
            .arg(problem.port, because(problem));
    case Kind::NotPermitted:
        return deniedText(problem);
    case Kind::Held:
        if (!problem.subject.isEmpty())
            return QStringLiteral("%1 è già in uso da parte di un altro programma (%2): chiuderlo e riprovare.")
                .arg(problem.port, problem.subject);
        return QStringLiteral("%1 è già in uso da parte di un altro programma: chiuderlo e riprovare%2.")
            .arg(problem.port, because(problem));
    case Kind::StaleLock:
        return QStringLiteral("%1 è bloccata dal file %2, rimasto da un programma che è terminato: "
                              "cancellarlo (sudo rm %2) e riprovare.")
            .arg(problem.port, problem.subject);
    case Kind::OpenFailed:
        return QStringLiteral("%1: impossibile aprire la porta%2.").arg(problem.port, because(problem));
    case Kind::Lost:
        return QStringLiteral("%1: il dispositivo è scomparso%2.").arg(problem.port, because(problem));
    default:
        return {};
    }
}

// What is wrong with a remote name, after the name; empty for any other kind.
QString nameFault(const card_link::PortProblem& problem)
{
    switch (problem.kind) {
    case Kind::UnknownScheme:
        return QStringLiteral("schema sconosciuto; si usa rfc2217://HOST:PORTA (telnet con RFC 2217) "
                              "oppure socket://HOST:PORTA (TCP semplice)");
    case Kind::UnbracketedAddress:
        return QStringLiteral("un indirizzo IPv6 va scritto tra parentesi quadre, per esempio rfc2217://[::1]:3001");
    case Kind::UnclosedAddress:
        return QStringLiteral("manca la ] che chiude l'indirizzo IPv6");
    case Kind::NoPortAfterAddress:
        return QStringLiteral("dopo l'indirizzo IPv6 tra [ ] ci vuole :PORTA");
    case Kind::NotAnAddress:
        return QStringLiteral("%1 non è un indirizzo IPv6").arg(problem.subject);
    case Kind::NoHost:
        return QStringLiteral("manca il nome o l'indirizzo del computer");
    case Kind::BadHost:
        return QStringLiteral("%1 non è un nome di computer valido").arg(problem.subject);
    case Kind::NoPort:
        return QStringLiteral("manca la porta TCP (:PORTA, da 1 a 65535)");
    case Kind::BadPort:
        return QStringLiteral("la porta TCP %1 non è valida (deve essere da 1 a 65535)").arg(problem.subject);
    default:
        return {};
    }
}

// Why a card on another machine could not be reached; empty for any other kind.
QString unreachableReason(const card_link::PortProblem& problem)
{
    switch (problem.kind) {
    case Kind::HostUnknown:
        return QStringLiteral("il nome %1 non è conosciuto").arg(problem.host);
    case Kind::ConnectionRefused:
        return QStringLiteral("connessione rifiutata: nessun server in ascolto su quella porta");
    case Kind::ServerClosed:
        return QStringLiteral("il server ha chiuso la connessione");
    case Kind::NetworkDown:
        return QStringLiteral("rete non raggiungibile (%1)").arg(problem.reason);
    case Kind::NetworkFailed:
        return problem.reason;
    case Kind::NoAnswer:
        return QStringLiteral("nessuna risposta entro %1 s").arg(problem.seconds);
    case Kind::AttemptAbandoned:
        return QStringLiteral("tentativo abbandonato per un'altra porta");
    case Kind::AttemptUnderWay:
        return QStringLiteral("un tentativo di connessione è già in corso");
    case Kind::AttemptInterrupted:
        return QStringLiteral("tentativo interrotto");
    case Kind::ServerRefused:
        return QStringLiteral("il server ha rifiutato: %1").arg(problem.reason);
    default:
        return {};
    }
}

QString settingList(const std::vector<unsigned char>& settings)
{
    QStringList words;
    for (unsigned char command : settings)
        words << settingWords(command);
    return words.join(QStringLiteral(", "));
}

// What the user should know about a remote card's line; empty for any other kind.
QString lineNotice(const card_link::PortProblem& problem)
{
    switch (problem.kind) {
    case Kind::LineNotNegotiable:
        return QStringLiteral("%1: il server non accetta le impostazioni della linea (RFC 2217); "
                              "la linea resta come il server l'ha impostata.")
            .arg(problem.port);
    case Kind::SettingRefused:
        return QStringLiteral("%1: il server non ha accettato l'impostazione \"%2\" della linea.")
            .arg(problem.port, settingList(problem.settings));
    case Kind::SettingsUnconfirmed:
        return QStringLiteral("%1: il server non ha confermato entro %2 s: %3.")
            .arg(problem.port)
            .arg(problem.seconds)
            .arg(settingList(problem.settings));
    default:
        return {};
    }
}

} // namespace

QString settingWords(unsigned char command)
{
    switch (command) {
    case 1:
        return QStringLiteral("velocità 9600");
    case 2:
        return QStringLiteral("8 bit di dati");
    case 3:
        return QStringLiteral("nessuna parità");
    case 4:
        return QStringLiteral("1 bit di stop");
    case 5:
        return QStringLiteral("nessun controllo di flusso");
    default:
        return QStringLiteral("comando %1").arg(command);
    }
}

QString portMessage(const card_link::PortProblem& problem)
{
    if (QString text = localText(problem); !text.isEmpty())
        return text;
    if (const QString fault = nameFault(problem); !fault.isEmpty())
        return QStringLiteral("%1: %2.").arg(problem.port, fault);
    if (const QString reason = unreachableReason(problem); !reason.isEmpty())
        return QStringLiteral("%1: impossibile raggiungere la scheda su %2:%3: %4.")
            .arg(problem.port, problem.host)
            .arg(problem.tcpPort)
            .arg(reason);
    if (QString text = lineNotice(problem); !text.isEmpty())
        return text;
    // NoDevice, Internal: the words that came with it.
    return problem.reason;
}

} // namespace panel
