#include "printable_text.h"

#include <QStringDecoder>

namespace card_link {

QString printableText(const QByteArray& bytes, int limit)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        text = QString::fromLatin1(bytes);
    text = text.simplified();
    for (QChar& c : text) {
        if (!c.isPrint() && c != QLatin1Char(' '))
            c = QLatin1Char('?');
    }
    if (text.size() > limit)
        text = text.left(std::max(0, limit - 3)) + QStringLiteral("...");
    return text;
}

} // namespace card_link
