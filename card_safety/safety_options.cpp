#include "safety_options.h"

#include <QRegularExpression>

#include <algorithm>

namespace card_safety {
namespace {

const QRegularExpression& outputKeyForm()
{
    static const QRegularExpression form(QStringLiteral("^output-([0-9]+)-(at-start|max-on|safe)$"));
    return form;
}

// The channel of output `number` ("3" is channel 2); empty `problem` when there is one.
int channelOf(const QString& number, QString& problem)
{
    bool ok = false;
    const int output = number.toInt(&ok);
    if (!ok || output < 1 || output > kOutputCount) {
        problem = QStringLiteral("there is no output %1: outputs are 1 to %2").arg(number).arg(kOutputCount);
        return -1;
    }
    return output - 1;
}

QString readAtStart(const QString& word, AtStart& into)
{
    if (word == QLatin1String("off") || word == QLatin1String("on") || word == QLatin1String("restore")) {
        into = word == QLatin1String("off")  ? AtStart::Off
               : word == QLatin1String("on") ? AtStart::On
                                             : AtStart::Restore;
        return {};
    }
    return QStringLiteral("'%1' is none of off, on and restore").arg(word);
}

QString readSafe(const QString& word, SafeAction& into)
{
    if (word == QLatin1String("off") || word == QLatin1String("on") || word == QLatin1String("keep")) {
        into = word == QLatin1String("off")  ? SafeAction::Off
               : word == QLatin1String("on") ? SafeAction::On
                                             : SafeAction::Keep;
        return {};
    }
    return QStringLiteral("'%1' is none of off, on and keep").arg(word);
}

QString readOutputOption(const QString& number, const QString& what, const QString& value, SafetySettings& settings)
{
    QString problem;
    const int channel = channelOf(number, problem);
    if (channel < 0)
        return problem;
    OutputSafety& output = settings.outputs[size_t(channel)];
    if (what == QLatin1String("at-start"))
        return readAtStart(value.toLower(), output.atStart);
    if (what == QLatin1String("safe"))
        return readSafe(value.toLower(), output.safe);
    Duration maxOn{};
    problem = readDuration(value, maxOn);
    if (problem.isEmpty())
        output.maxOn = maxOn;
    return problem;
}

// "1,2 3,4": groups separated by spaces, the outputs of each by commas.
QString readInterlock(const QString& value, std::vector<std::vector<int>>& into)
{
    const QStringList groups = value.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (groups.isEmpty())
        return QStringLiteral("no groups of outputs: write them as 1,2 3,4");
    std::vector<std::vector<int>> read;
    for (const QString& group : groups) {
        std::vector<int> channels;
        for (const QString& number : group.split(QLatin1Char(','))) {
            if (number.isEmpty())
                return QStringLiteral("'%1' is not a group of outputs: write them as 1,2 3,4").arg(group);
            QString problem;
            const int channel = channelOf(number, problem);
            if (channel < 0)
                return problem;
            if (std::find(channels.begin(), channels.end(), channel) != channels.end())
                return QStringLiteral("output %1 is twice in '%2'").arg(number, group);
            channels.push_back(channel);
        }
        if (channels.size() < 2)
            return QStringLiteral("'%1' is one output: a group of an interlock has two or more (1,2 3,4)").arg(group);
        read.push_back(channels);
    }
    into = read;
    return {};
}

QString readFlag(const QString& value, bool& into)
{
    const QString word = value.toLower();
    const bool yes = word == QLatin1String("yes") || word == QLatin1String("true") || word == QLatin1String("on");
    if (!yes && word != QLatin1String("no") && word != QLatin1String("false") && word != QLatin1String("off"))
        return QStringLiteral("'%1' is neither yes nor no").arg(value);
    into = yes;
    return {};
}

QString readCause(const QString& value, std::optional<Duration>& into)
{
    Duration after{};
    const QString problem = readDuration(value, after);
    if (problem.isEmpty())
        into = after;
    return problem;
}

} // namespace

const QStringList& safetyKeys()
{
    static const QStringList keys = {QStringLiteral("output-N-at-start"),     QStringLiteral("output-N-max-on"),
                                     QStringLiteral("output-N-safe"),         QStringLiteral("interlock"),
                                     QStringLiteral("interlock-wait"),        QStringLiteral("safe-when-broker-lost"),
                                     QStringLiteral("safe-when-ha-offline"),  QStringLiteral("safe-when-silent"),
                                     QStringLiteral("safe-at-stop")};
    return keys;
}

bool isSafetyKey(const QString& key)
{
    return outputKeyForm().match(key).hasMatch() || (!key.contains(QLatin1String("-N-")) && safetyKeys().contains(key));
}

QString readSafetyOption(const QString& key, const QString& value, SafetySettings& settings)
{
    if (const QRegularExpressionMatch output = outputKeyForm().match(key); output.hasMatch())
        return readOutputOption(output.captured(1), output.captured(2), value, settings);
    if (key == QLatin1String("interlock"))
        return readInterlock(value, settings.interlocks);
    if (key == QLatin1String("interlock-wait"))
        return readDuration(value, settings.interlockWait, true);
    if (key == QLatin1String("safe-when-broker-lost"))
        return readCause(value, settings.safeWhenBrokerLost);
    if (key == QLatin1String("safe-when-ha-offline"))
        return readCause(value, settings.safeWhenHaOffline);
    if (key == QLatin1String("safe-when-silent"))
        return readCause(value, settings.safeWhenSilent);
    return readFlag(value, settings.safeAtStop);
}

} // namespace card_safety
