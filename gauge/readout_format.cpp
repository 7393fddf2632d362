#include "gauge/readout_format.h"

#include <cstdio>
#include <string>

namespace gaugix {

QString formatReadout(double valore, const QLocale& locale)
{
    // Digits and sign stay ASCII whatever the locale; only the decimal mark follows it.
    const int length = std::snprintf(nullptr, 0, "%.2f", valore);
    std::string text(static_cast<std::size_t>(length), '\0');
    std::snprintf(text.data(), text.size() + 1, "%.2f", valore);

    // A value that rounds to zero reads "0.00", not "-0.00".
    if (text == "-0.00")
        text.erase(0, 1);

    QString result = QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
    const qsizetype point = result.indexOf(QLatin1Char('.'));
    if (point >= 0)
        result.replace(point, 1, locale.decimalPoint());
    return result;
}

} // namespace gaugix
