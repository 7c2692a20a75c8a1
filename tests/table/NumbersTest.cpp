#include "table/Numbers.h"
#include "table/Windows1252.h"
#include "support/Scoped.h"

#include <QLocale>

#include <gtest/gtest.h>

#include <optional>

using namespace quorvel::table;

namespace {

struct IntegerCase
{
    const char* name;
    const char* text;
    std::optional<std::int32_t> expected;
};

void PrintTo(const IntegerCase& c, std::ostream* os) { *os << '"' << c.text << '"'; }

class IntegerText : public ::testing::TestWithParam<IntegerCase> {};

TEST_P(IntegerText, Parses)
{
    EXPECT_EQ(parseInteger(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Rules, IntegerText, ::testing::Values(
    IntegerCase{"LeadingBlank", " 5", 5},
    IntegerCase{"TrailingBlank", "5 ", std::nullopt},
    IntegerCase{"Plus", "+5", 5},
    IntegerCase{"Minus", "-1", -1},
    IntegerCase{"Dollar", "$A", 10},
    IntegerCase{"ZeroX", "0x0A", 10},
    IntegerCase{"LowerX", "x0a", 10},
    IntegerCase{"UpperX", "X0A", 10},
    IntegerCase{"AllOnes", "$FFFFFFFF", -1},
    IntegerCase{"NegatedHex", "-$1", -1},
    IntegerCase{"HexTooBig", "$100000000", std::nullopt},
    IntegerCase{"Comma", "5,0", std::nullopt},
    IntegerCase{"Point", "5.0", std::nullopt},
    IntegerCase{"Empty", "", std::nullopt},
    IntegerCase{"SignOnly", "-", std::nullopt},
    IntegerCase{"PrefixOnly", "0x", std::nullopt},
    IntegerCase{"Tab", "\t5", std::nullopt},
    IntegerCase{"Max", "2147483647", 2147483647},
    IntegerCase{"Min", "-2147483648", -2147483647 - 1},
    IntegerCase{"OverMax", "2147483648", std::nullopt},
    IntegerCase{"LeadingZeros", "007", 7}),
    [](const ::testing::TestParamInfo<IntegerCase>& row) { return std::string(row.param.name); });

struct FixedCase
{
    const char* name;
    const char* text;
    std::optional<std::int64_t> cents;
};

void PrintTo(const FixedCase& c, std::ostream* os) { *os << '"' << c.text << '"'; }

class FixedText : public ::testing::TestWithParam<FixedCase> {};

TEST_P(FixedText, RoundsInTwoSteps)
{
    EXPECT_EQ(parseFixed(GetParam().text, ',', 2), GetParam().cents);
}

INSTANTIATE_TEST_SUITE_P(Rules, FixedText, ::testing::Values(
    FixedCase{"TieDownToEven", "12,345", 1234},
    FixedCase{"TieUpToEven", "12,355", 1236},
    FixedCase{"DoubleRounding", "1,234951", 124},
    FixedCase{"OneDecimal", "12,3", 1230},
    FixedCase{"Whole", "12", 1200},
    FixedCase{"Negative", "-0,05", -5},
    FixedCase{"NegativeTie", "-12,345", -1234},
    FixedCase{"Exponent", "1,5E2", 15000},
    FixedCase{"SmallExponent", "1E-5", 0},
    FixedCase{"FourthDecimalTie", "0,00005", 0},
    FixedCase{"Point", "12.5", std::nullopt},
    FixedCase{"Empty", "", std::nullopt},
    FixedCase{"Letters", "abc", std::nullopt},
    FixedCase{"Beyond64Bits", "1E15", std::nullopt},
    FixedCase{"FourDecimals", "12,3456", 1235},
    FixedCase{"FifthDecimalRoundsFirst", "12,34449", 1234},
    FixedCase{"PlusAndBlanks", " +5 ", 500},
    FixedCase{"SeparatorLast", "5,", 500},
    FixedCase{"SeparatorFirst", ",5", 50},
    FixedCase{"LoneSeparator", ",", std::nullopt},
    FixedCase{"FourteenDigits", "99999999999999", 9999999999999900},
    FixedCase{"ManyDigits", "000000000000000012,345", 1234},
    FixedCase{"Largest", "922337203685477,5807", 92233720368547758}),
    [](const ::testing::TestParamInfo<FixedCase>& row) { return std::string(row.param.name); });

TEST(FormatGeneral, FifteenSignificantDigits)
{
    EXPECT_EQ(formatGeneral(39.9, ','), "39,9");
    EXPECT_EQ(formatGeneral(0, ','), "0");
    EXPECT_EQ(formatGeneral(0.00001, ','), "1E-5");
    EXPECT_EQ(formatGeneral(0.0001, ','), "0,0001");
    EXPECT_EQ(formatGeneral(1e15, ','), "1E15");
    EXPECT_EQ(formatGeneral(999999999999999.0, ','), "999999999999999");
    EXPECT_EQ(formatGeneral(-12.5, '.'), "-12.5");
    EXPECT_EQ(formatGeneral(1.234951, ','), "1,234951");
    EXPECT_EQ(formatGeneral(0.1 + 0.2, ','), "0,3");
    EXPECT_EQ(formatGeneral(1.5e-20, ','), "1,5E-20");
    EXPECT_EQ(formatGeneral(123456789012345.6, ','), "123456789012346");
    EXPECT_EQ(formatGeneral(0.1234567890123456, ','), "0,123456789012346");
    EXPECT_EQ(formatGeneral(2.0 / 3.0, ','), "0,666666666666667");
    EXPECT_EQ(formatGeneral(12.345, ','), "12,345");
    EXPECT_EQ(formatGeneral(-1e300, ','), "-1E300");
    EXPECT_EQ(formatGeneral(9.99999999999999e-5, ','), "9,99999999999999E-5");
    EXPECT_EQ(formatGeneral(999999999999999.9, ','), "1E15");
}

TEST(FormatFixed, ShortestForm)
{
    EXPECT_EQ(formatFixed(1250, 2, ','), "12,5");
    EXPECT_EQ(formatFixed(1200, 2, ','), "12");
    EXPECT_EQ(formatFixed(-5, 2, '.'), "-0.05");
    EXPECT_EQ(formatFixed(0, 2, ','), "0");
}

TEST(Windows1252, EveryByteBecomesOneCharacter)
{
    EXPECT_EQ(fromWindows1252("A\xC7\xC3\x80\x81\x9F\xFF"), QString::fromUtf8("AÇÃ€\u0081Ÿÿ"));
    std::string utf8;
    appendUtf8FromWindows1252(utf8, "CORA\xC7\xC3O \x80\x99");
    EXPECT_EQ(utf8, "CORAÇÃO €™");
}

TEST(DecimalSeparatorScope, PinsAndRestores)
{
    const quorvel::test::ScopedLocale locale(quorvel::test::brazil());
    EXPECT_EQ(decimalSeparator(), ',');
    {
        DecimalSeparatorScope pin('.');
        EXPECT_EQ(decimalSeparator(), '.');
        {
            DecimalSeparatorScope inner;
            EXPECT_EQ(inner.separator(), '.');
        }
        EXPECT_EQ(decimalSeparator(), '.');
    }
    EXPECT_EQ(decimalSeparator(), ',');
}

} // namespace

namespace {

struct DoubleCase
{
    const char* name;
    const char* text;
    std::optional<double> expected;
};

void PrintTo(const DoubleCase& c, std::ostream* os) { *os << '"' << c.text << '"'; }

class DoubleText : public ::testing::TestWithParam<DoubleCase> {};

TEST_P(DoubleText, Parses)
{
    EXPECT_EQ(parseDouble(GetParam().text, ','), GetParam().expected);
}

// Values below the smallest double are still numbers: they round to zero.
INSTANTIATE_TEST_SUITE_P(Range, DoubleText, ::testing::Values(
    DoubleCase{"Subnormal", "4,9406564584124654E-324", 4.9406564584124654E-324},
    DoubleCase{"BelowSmallest", "1E-400", 0.0},
    DoubleCase{"NegativeBelowSmallest", "-1,e-595", -0.0},
    DoubleCase{"ManyDigitsBelowSmallest", "123456789E-340", 0.0},
    DoubleCase{"Largest", "1,7976931348623157E308", 1.7976931348623157E308},
    DoubleCase{"BeyondLargest", "1E309", std::nullopt}),
    [](const ::testing::TestParamInfo<DoubleCase>& row) { return std::string(row.param.name); });

} // namespace
