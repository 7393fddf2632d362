#pragma once

#include <QLocale>
#include <QString>

namespace gaugix {

// Formats a reading like the pattern "###0.00": at least one integer digit, no grouping,
// the locale's decimal mark, exactly two rounded fraction digits, a leading '-' when negative.
QString formatReadout(double valore, const QLocale& locale);

} // namespace gaugix
