#pragma once
// Sets the default locale for as long as it lives, then restores the one before.

#include <QLocale>

struct DefaultLocale {
    explicit DefaultLocale(const QLocale& locale) { QLocale::setDefault(locale); }
    ~DefaultLocale() { QLocale::setDefault(saved); }
    QLocale saved;
};
