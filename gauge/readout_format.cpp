#include "readout_format.h"

namespace gaugix {

QString formatReadout(double valore, const QLocale& locale)
{
    // QString::number ignores every locale: plain digits, '-' and '.', no grouping.
    // Only the decimal mark is then taken from the locale given.
    QString text = QString::number(valore, 'f', 2);

    // A value that rounds to zero reads "0.00", not "-0.00".
    if (text == QLatin1String("-0.00"))
        text.remove(0, 1);

    const qsizetype point = text.indexOf(QLatin1Char('.'));
    if (point >= 0)
        text.replace(point, 1, locale.decimalPoint());
    return text;
}

} // namespace gaugix
