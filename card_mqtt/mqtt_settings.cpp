#include "mqtt_settings.h"

#include <QFile>
#include <QHostAddress>
#include <QRegularExpression>
#include <QUrl>

namespace card_mqtt {
namespace {

using card_link::Language;

QString say(Language language, const char* italian, const char* english)
{
    return QString::fromUtf8(language == Language::Italian ? italian : english);
}

// The user, the host and the port of "[USER@]HOST[:PORT]"; false when it is not that.
bool splitAuthority(const QString& authority, MqttSettings& settings, QString& portText)
{
    QString rest = authority;
    if (const qsizetype at = rest.lastIndexOf(QLatin1Char('@')); at >= 0) {
        settings.user = QUrl::fromPercentEncoding(rest.left(at).toUtf8());
        rest = rest.mid(at + 1);
    }
    if (rest.startsWith(QLatin1Char('['))) {
        const qsizetype close = rest.indexOf(QLatin1Char(']'));
        if (close < 0)
            return false;
        settings.host = rest.mid(1, close - 1);
        rest = rest.mid(close + 1);
        if (!rest.isEmpty() && !rest.startsWith(QLatin1Char(':')))
            return false;
        portText = rest.mid(1);
        return QHostAddress(settings.host).protocol() == QAbstractSocket::IPv6Protocol;
    }
    const qsizetype colon = rest.indexOf(QLatin1Char(':'));
    settings.host = rest.left(colon);
    portText = colon < 0 ? QString() : rest.mid(colon + 1);
    return colon < 0 || !portText.isEmpty();
}

// A password in the address would show in ps to every user, and be taken as part of the
// user's name: refused, without repeating it.
QString passwordInUrl(const QString& url, const QString& userAndPassword, Language language)
{
    const QString hidden = userAndPassword.section(QLatin1Char(':'), 0, 0) + QStringLiteral(":***");
    const QString shown = QString(url).replace(userAndPassword, hidden);
    return say(language,
               "'%1': la password non va nell'indirizzo, dove ps la mostra a tutti: scrivila nella prima riga di "
               "un file e dai --mqtt-password-file FILE",
               "'%1': a password does not go in the address, where ps shows it to every user: write it on the first "
               "line of a file and give --mqtt-password-file FILE")
        .arg(shown);
}

} // namespace

QString readMqttUrl(const QString& url, MqttSettings& settings, Language language)
{
    const QString scheme = url.section(QStringLiteral("://"), 0, 0).toLower();
    if (!url.contains(QStringLiteral("://")) || (scheme != QLatin1String("mqtt") && scheme != QLatin1String("mqtts")))
        return say(language, "'%1' non è un indirizzo del broker: si scrive mqtt://[UTENTE@]HOST[:PORTA] o mqtts://...",
                   "'%1' is not a broker's address: write mqtt://[USER@]HOST[:PORT] or mqtts://...")
            .arg(url);
    settings.tls = scheme == QLatin1String("mqtts");
    settings.port = settings.tls ? 8883 : 1883;
    QString portText;
    const QString authority = url.section(QStringLiteral("://"), 1);
    static const QRegularExpression hostName(QStringLiteral("^[A-Za-z0-9._-]+$"));
    if (const QString user = authority.section(QLatin1Char('@'), 0, -2); user.contains(QLatin1Char(':')))
        return passwordInUrl(url, user, language);
    if (authority.contains(QLatin1Char('/')) || !splitAuthority(authority, settings, portText) || settings.host.isEmpty()
        || (!settings.host.contains(QLatin1Char(':')) && !hostName.match(settings.host).hasMatch()))
        return say(language, "'%1': manca il nome o l'indirizzo del broker, o non è valido (mqtt://[UTENTE@]HOST[:PORTA])",
                   "'%1': the broker's name or address is missing or not valid (mqtt://[USER@]HOST[:PORT])")
            .arg(url);
    if (!portText.isEmpty()) {
        bool ok = false;
        const uint port = portText.toUInt(&ok);
        if (!ok || port < 1 || port > 65535 || portText.startsWith(QLatin1Char('+')))
            return say(language, "'%1': la porta %2 non è valida (da 1 a 65535)", "'%1': the port %2 is not valid (1 to 65535)")
                .arg(url, portText);
        settings.port = quint16(port);
    }
    settings.enabled = true;
    return {};
}

QString readPasswordFile(const QString& path, MqttSettings& settings, Language language)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return say(language, "impossibile leggere %1: %2", "cannot read %1: %2").arg(path, file.errorString());
    // The first line, as a password file of one line holds it.
    settings.password = QString::fromUtf8(file.readLine()).remove(QLatin1Char('\n')).remove(QLatin1Char('\r'));
    if (settings.password.isEmpty())
        return say(language, "%1 è vuoto: la prima riga è la password", "%1 is empty: its first line is the password").arg(path);
    settings.passwordWarning.clear();
    if (file.permissions() & QFileDevice::ReadOther)
        settings.passwordWarning =
            say(language, "chiunque su questa macchina può leggere %1, che tiene la password del broker: chmod o-r %1",
                "every user of this machine may read %1, which holds the broker's password: chmod o-r %1")
                .arg(path);
    return {};
}

QString readCaFile(const QString& path, MqttSettings& settings, Language language)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return say(language, "impossibile leggere %1: %2", "cannot read %1: %2").arg(path, file.errorString());
    settings.caFile = path;
    return {};
}

QString readTopicPrefix(const QString& prefix, QString& into, Language language)
{
    static const QRegularExpression allowed(QStringLiteral("^[A-Za-z0-9_-]+(/[A-Za-z0-9_-]+)*$"));
    if (!allowed.match(prefix).hasMatch())
        return say(language, "'%1' non è un prefisso di topic: lettere, cifre, - e _, parti separate da /",
                   "'%1' is not a topic prefix: letters, digits, - and _, in parts separated by /")
            .arg(prefix);
    into = prefix;
    return {};
}

QString readDeadband(const QString& volts, MqttSettings& settings, Language language)
{
    bool ok = false;
    const double value = volts.toDouble(&ok);  // with a point, whatever the locale
    if (!ok || value < 0 || value > 5)
        return say(language, "'%1' non è una banda morta in volt, da 0 a 5", "'%1' is not a dead band in volts, 0 to 5")
            .arg(volts);
    settings.deadband = value;
    return {};
}

const QStringList& mqttValueKeys()
{
    static const QStringList keys = {QStringLiteral("mqtt"),       QStringLiteral("mqtt-password-file"),
                                     QStringLiteral("mqtt-ca"),    QStringLiteral("mqtt-topic"),
                                     QStringLiteral("ha-prefix"),  QStringLiteral("ha-status-topic"),
                                     QStringLiteral("mqtt-deadband")};
    return keys;
}

QString readMqttOption(const QString& key, const QString& value, MqttSettings& settings, Language language)
{
    if (key == QLatin1String("mqtt"))
        return readMqttUrl(value, settings, language);
    if (key == QLatin1String("mqtt-password-file"))
        return readPasswordFile(value, settings, language);
    if (key == QLatin1String("mqtt-ca"))
        return readCaFile(value, settings, language);
    if (key == QLatin1String("mqtt-topic"))
        return readTopicPrefix(value, settings.topicPrefix, language);
    if (key == QLatin1String("ha-prefix"))
        return readTopicPrefix(value, settings.haPrefix, language);
    if (key == QLatin1String("ha-status-topic"))
        return readTopicPrefix(value, settings.haStatusTopic, language);
    return readDeadband(value, settings, language);
}

} // namespace card_mqtt
