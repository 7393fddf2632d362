#include "platform/process/given_settings.h"

#include <QFile>

namespace {

// One line without its comment: the key and the value; false when it is not "key = value".
bool splitLine(const QString& line, QString& key, QString& value)
{
    const QString text = line.section(QLatin1Char('#'), 0, 0).trimmed();
    const qsizetype equals = text.indexOf(QLatin1Char('='));
    if (equals < 0)
        return false;
    key = text.left(equals).trimmed();
    value = text.mid(equals + 1).trimmed();
    return !key.isEmpty();
}

} // namespace

bool readSettingsFile(const QString& path, const QStringList& known, GivenSettings& given, QString& error,
                      const std::function<bool(const QString&)>& isKnown)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return false;
    }
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString where = QStringLiteral("%1:%2").arg(path).arg(i + 1);
        if (lines[i].section(QLatin1Char('#'), 0, 0).trimmed().isEmpty())
            continue;
        QString key, value;
        if (!splitLine(lines[i], key, value)) {
            error = QStringLiteral("%1: not a 'key = value' line: %2").arg(where, lines[i].trimmed());
            return false;
        }
        if (!known.contains(key) && !(isKnown && isKnown(key))) {
            error = QStringLiteral("%1: unknown key '%2' (known: %3)").arg(where, key, known.join(QStringLiteral(", ")));
            return false;
        }
        given.insert(key, {value, where});
    }
    return true;
}

std::optional<bool> flagValue(const QString& text)
{
    const QString word = text.toLower();
    if (word == QLatin1String("yes") || word == QLatin1String("true") || word == QLatin1String("on"))
        return true;
    if (word == QLatin1String("no") || word == QLatin1String("false") || word == QLatin1String("off"))
        return false;
    return std::nullopt;
}
