#include "message_templates.h"

namespace card_link {

QString fillTemplate(const char* text, const MessageValues& values)
{
    const QString pattern = QString::fromUtf8(text);
    QString filled;
    filled.reserve(pattern.size() + 64);
    qsizetype at = 0;
    while (at < pattern.size()) {
        const qsizetype open = pattern.indexOf(QLatin1Char('{'), at);
        const qsizetype close = open < 0 ? -1 : pattern.indexOf(QLatin1Char('}'), open);
        if (close < 0) {
            filled += QStringView(pattern).mid(at);
            break;
        }
        filled += QStringView(pattern).mid(at, open - at);
        const QString name = pattern.mid(open + 1, close - open - 1);
        const auto value = values.constFind(name);
        filled += value != values.constEnd() ? *value : pattern.mid(open, close - open + 1);
        at = close + 1;
    }
    return filled;
}

} // namespace card_link
