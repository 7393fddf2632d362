#include "remote_name.h"

#include <QHostAddress>

namespace card_link {
namespace {

const QLatin1String kSeparator("://");

bool parsePort(const QString& text, std::uint16_t& port)
{
    bool ok = false;
    const uint value = text.toUInt(&ok, 10);
    if (!ok || value < 1 || value > 65535 || !text.at(0).isDigit())
        return false;
    port = static_cast<std::uint16_t>(value);
    return true;
}

} // namespace

bool isRemoteName(const QString& name)
{
    const qsizetype separator = name.indexOf(kSeparator);
    if (separator <= 0)
        return false;
    for (qsizetype i = 0; i < separator; ++i) {
        if (!name.at(i).isLetterOrNumber())
            return false;
    }
    return true;
}

// Splits "HOST:PORT" or "[IPv6]:PORT" (what follows the scheme) into its two parts.
static bool splitHostAndPort(const QString& rest, QString& host, QString& port, PortProblem& problem)
{
    if (!rest.startsWith(QLatin1Char('['))) {
        const qsizetype colon = rest.lastIndexOf(QLatin1Char(':'));
        host = colon < 0 ? rest : rest.left(colon);
        port = colon < 0 ? QString() : rest.mid(colon + 1);
        if (!host.contains(QLatin1Char(':')))
            return true;
        problem.kind = PortProblem::Kind::UnbracketedAddress;
        return false;
    }
    const qsizetype close = rest.indexOf(QLatin1Char(']'));
    if (close < 0) {
        problem.kind = PortProblem::Kind::UnclosedAddress;
        return false;
    }
    host = rest.mid(1, close - 1);
    if (rest.mid(close + 1, 1) == QLatin1String(":")) {
        port = rest.mid(close + 2);
    } else if (close + 1 < rest.size()) {
        problem.kind = PortProblem::Kind::NoPortAfterAddress;
        return false;
    }
    if (QHostAddress(host).protocol() == QAbstractSocket::IPv6Protocol)
        return true;
    problem.kind = PortProblem::Kind::NotAnAddress;
    problem.subject = host;
    return false;
}

bool parseRemoteName(const QString& name, RemoteName& remote, PortProblem& problem)
{
    problem = {};
    problem.port = name;
    remote = {};
    remote.written = name;
    const qsizetype separator = name.indexOf(kSeparator);
    const QString scheme = name.left(separator).toLower();
    if (separator <= 0 || (scheme != QLatin1String("rfc2217") && scheme != QLatin1String("socket"))) {
        problem.kind = PortProblem::Kind::UnknownScheme;
        return false;
    }
    remote.scheme = scheme == QLatin1String("rfc2217") ? RemoteName::Scheme::Telnet : RemoteName::Scheme::Raw;
    QString host, port;
    if (!splitHostAndPort(name.mid(separator + kSeparator.size()), host, port, problem))
        return false;
    if (host.isEmpty()) {
        problem.kind = PortProblem::Kind::NoHost;
        return false;
    }
    if (host.contains(QLatin1Char('/')) || host.contains(QLatin1Char(' '))) {
        problem.kind = PortProblem::Kind::BadHost;
        problem.subject = host;
        return false;
    }
    if (port.isEmpty()) {
        problem.kind = PortProblem::Kind::NoPort;
        return false;
    }
    if (!parsePort(port, remote.port)) {
        problem.kind = PortProblem::Kind::BadPort;
        problem.subject = port;
        return false;
    }
    remote.host = host;
    return true;
}

} // namespace card_link
