#include "gauge/readout_format.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>

namespace gaugix {
namespace {

const QLocale kPoint(QLocale::English, QLocale::UnitedStates);
const QLocale kComma(QLocale::German, QLocale::Germany);

// Switches the C library's number locale for one test and puts it back after.
struct CNumericLocale {
    explicit CNumericLocale(const char* name) : saved(std::setlocale(LC_NUMERIC, nullptr))
    {
        active = std::setlocale(LC_NUMERIC, name) != nullptr;
    }
    ~CNumericLocale() { std::setlocale(LC_NUMERIC, saved.c_str()); }
    std::string saved;
    bool active = false;
};

TEST(ReadoutFormat, TwoRoundedDecimalsAtLeastOneIntegerDigitNoGrouping)
{
    EXPECT_EQ(formatReadout(0, kPoint), "0.00");
    EXPECT_EQ(formatReadout(128 * 5 / 255.0, kPoint), "2.51");
    EXPECT_EQ(formatReadout(1 * 5 / 255.0, kPoint), "0.02");
    EXPECT_EQ(formatReadout(123.456, kPoint), "123.46");
    EXPECT_EQ(formatReadout(-1.5, kPoint), "-1.50");
    EXPECT_EQ(formatReadout(12345.678, kPoint), "12345.68");
}

TEST(ReadoutFormat, DecimalMarkFollowsTheLocaleAndNothingElseDoes)
{
    EXPECT_EQ(formatReadout(128 * 5 / 255.0, kComma), "2,51");
    EXPECT_EQ(formatReadout(-12345.678, kComma), "-12345,68");
    // Locales with their own digits still get the plain digits the pattern prints.
    EXPECT_EQ(formatReadout(2.5, QLocale(QLocale::Arabic, QLocale::Egypt)).right(2), "50");
}

TEST(ReadoutFormat, TinyNegativeValuesDoNotShowAMinusZero)
{
    EXPECT_EQ(formatReadout(-0.001, kPoint), "0.00");
    EXPECT_EQ(formatReadout(-0.0, kPoint), "0.00");
    EXPECT_EQ(formatReadout(-0.004, kComma), "0,00");
}

TEST(ReadoutFormat, TheCLibrarysLocaleHasNoSay)
{
    CNumericLocale italian("it_IT.UTF-8");
    if (!italian.active)
        GTEST_SKIP() << "the it_IT.UTF-8 locale is not installed (scripts/install-deps.sh generates it)";
    EXPECT_EQ(formatReadout(128 * 5 / 255.0, kPoint), "2.51");
    EXPECT_EQ(formatReadout(-12345.678, kComma), "-12345,68");
    EXPECT_EQ(formatReadout(-0.001, kComma), "0,00");
    EXPECT_EQ(formatReadout(-0.001, kPoint), "0.00");
}

} // namespace
} // namespace gaugix
