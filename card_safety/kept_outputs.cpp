#include "kept_outputs.h"

#include <QDateTime>
#include <QList>
#include <QRegularExpression>

namespace card_safety {
namespace {

using WallTime = std::chrono::system_clock::time_point;

const QByteArray kMaskKey("outputs=");

// A line of the file as a message may show it: what a file of anything else holds, as '?'.
QString shown(const QByteArray& line)
{
    QString text = QString::fromLatin1(line.left(60));
    for (QChar& c : text) {
        if (c.unicode() < 0x20 || c.unicode() > 0x7e)
            c = QLatin1Char('?');
    }
    return text;
}

QByteArray wallText(WallTime at)
{
    const qint64 ms = std::chrono::duration_cast<std::chrono::milliseconds>(at.time_since_epoch()).count();
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC).toString(Qt::ISODateWithMs).toLatin1();
}

// "2026-12-10T14:03:05.250Z", in UTC and nothing else.
std::optional<WallTime> readWallTime(const QString& text)
{
    const QDateTime at = QDateTime::fromString(text, Qt::ISODateWithMs);
    if (!text.endsWith(QLatin1Char('Z')) || !at.isValid())
        return std::nullopt;
    return WallTime(std::chrono::milliseconds(at.toMSecsSinceEpoch()));
}

std::optional<int> readMask(const QByteArray& line)
{
    bool ok = false;
    const int mask = line.startsWith(kMaskKey) ? line.mid(kMaskKey.size()).toInt(&ok, 0) : -1;
    if (!ok || mask < 0 || mask > kAllOutputs)
        return std::nullopt;
    return mask;
}

// One "output-N-off-at=TIME" line into `kept`; false when it is not one, or N's is there already.
bool readDeadline(const QByteArray& line, KeptOutputs& kept)
{
    static const QRegularExpression form(QStringLiteral("^output-([1-8])-off-at=(.+)$"));
    const QRegularExpressionMatch match = form.match(QString::fromLatin1(line));
    if (!match.hasMatch())
        return false;
    auto& offAt = kept.offAt[size_t(match.captured(1).toInt() - 1)];
    const std::optional<WallTime> at = readWallTime(match.captured(2));
    if (!at || offAt)
        return false;
    offAt = at;
    return true;
}

} // namespace

QByteArray formatKeptOutputs(const KeptOutputs& kept)
{
    QByteArray text = kMaskKey + "0x" + QByteArray::number(kept.mask, 16).rightJustified(2, '0') + '\n';
    for (int channel = 0; channel < kOutputCount; ++channel) {
        if (const auto& offAt = kept.offAt[size_t(channel)])
            text += "output-" + QByteArray::number(channel + 1) + "-off-at=" + wallText(*offAt) + '\n';
    }
    return text;
}

std::optional<KeptOutputs> parseKeptOutputs(const QByteArray& text, QString& problem)
{
    const QList<QByteArray> lines = text.trimmed().split('\n');
    KeptOutputs kept;
    const std::optional<int> mask = readMask(lines.front().trimmed());
    if (!mask) {
        problem = QStringLiteral("line 1 is not outputs=0xNN: %1").arg(shown(lines.front()));
        return std::nullopt;
    }
    kept.mask = *mask;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        if (!readDeadline(lines[i].trimmed(), kept)) {
            problem = QStringLiteral("line %1 is not output-N-off-at=TIME, once for each N: %2")
                          .arg(i + 1)
                          .arg(shown(lines[i]));
            return std::nullopt;
        }
    }
    return kept;
}

} // namespace card_safety
