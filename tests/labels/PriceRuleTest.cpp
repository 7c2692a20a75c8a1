// The price forms of a label line, read in extended precision and rounded to double.
#include "labels/PriceRule.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using quorvel::labels::parsePrice;
using quorvel::labels::PriceValue;
using Status = PriceValue::Status;

namespace {

struct PriceCase
{
    const char* name;
    std::string text;
    Status status;
    double value;
};

void PrintTo(const PriceCase& c, std::ostream* os) { *os << '"' << c.text << '"'; }

class PriceForms : public ::testing::TestWithParam<PriceCase> {};

TEST_P(PriceForms, UnderACommaSeparator)
{
    PriceValue v = parsePrice(GetParam().text, ',');
    ASSERT_EQ(v.status, GetParam().status);
    if (v.status == Status::Valid) {
        EXPECT_EQ(v.value, GetParam().value);
    }
}

const double kMax = std::numeric_limits<double>::max();

INSTANTIATE_TEST_SUITE_P(Rules, PriceForms, ::testing::Values(
    PriceCase{"BlanksAround", " 39,90 ", Status::Valid, 39.9},
    PriceCase{"Point", "39.90", Status::Invalid, 0},
    PriceCase{"ThousandsSeparator", "1.234,50", Status::Invalid, 0},
    PriceCase{"CurrencySign", "R$ 39,90", Status::Invalid, 0},
    PriceCase{"Negative", "-5", Status::Valid, -5},
    PriceCase{"Plus", "+5", Status::Valid, 5},
    PriceCase{"Exponent", "1,5E2", Status::Valid, 150},
    PriceCase{"LowerExponentWithSign", "15e-1", Status::Valid, 1.5},
    PriceCase{"ExponentWithoutDigits", "5E", Status::Valid, 5},
    PriceCase{"ExponentSignWithoutDigits", "5e+", Status::Valid, 5},
    PriceCase{"ExponentThenBlank", "5E ", Status::Valid, 5},
    PriceCase{"NoIntegerDigits", ",5", Status::Valid, 0.5},
    PriceCase{"NoFractionDigits", "5,", Status::Valid, 5},
    PriceCase{"LoneSeparator", ",", Status::Valid, 0},
    PriceCase{"SignedLoneSeparator", "-,", Status::Valid, 0},
    PriceCase{"Empty", "", Status::Invalid, 0},
    PriceCase{"BlanksOnly", "   ", Status::Invalid, 0},
    PriceCase{"SignOnly", "-", Status::Invalid, 0},
    PriceCase{"ExponentOnly", "E5", Status::Invalid, 0},
    PriceCase{"Tab", "\t5", Status::Invalid, 0},
    PriceCase{"TwoSeparators", "1,2,3", Status::Invalid, 0},
    PriceCase{"BlankInside", "39, 90", Status::Invalid, 0},
    PriceCase{"Hexadecimal", "0x10", Status::Invalid, 0},
    PriceCase{"Infinity", "INF", Status::Invalid, 0},
    PriceCase{"LargestDouble", "1,7976931348623157E308", Status::Valid, kMax},
    PriceCase{"RoundsDownToTheLargestDouble", "1,797693134862315799E308", Status::Valid, kMax},
    PriceCase{"BeyondDouble", "1,8E308", Status::Overflow, 0},
    PriceCase{"FarBeyondDouble", "1E4000", Status::Overflow, 0},
    PriceCase{"BeyondExtended", "1E5000", Status::Invalid, 0},
    PriceCase{"HugeExponentOfZero", "0E99999999999", Status::Valid, 0},
    PriceCase{"Underflow", "1E-5000", Status::Valid, 0},
    PriceCase{"ManyDigits", "39,900000000000000000000000000000", Status::Valid, 39.9},
    PriceCase{"LeadingZeros", "0000000000000000000000039,9", Status::Valid, 39.9},
    // 2^53 + 1 + 10^-10 rounds to 2^53 + 1 in extended precision, a tie that double rounding
    // then settles to even; a direct conversion to double would give 2^53 + 2.
    PriceCase{"RoundedTwice", "9007199254740993,0000000001", Status::Valid, 9007199254740992.0}),
    [](const ::testing::TestParamInfo<PriceCase>& row) { return std::string(row.param.name); });

TEST(PriceRule, SeparatorIsTheOneGiven)
{
    EXPECT_EQ(parsePrice("39.90", '.').value, 39.9);
    EXPECT_EQ(parsePrice("39,90", '.').status, Status::Invalid);
}

TEST(PriceRule, ShortAndLongFormsOfOneNumberAgree)
{
    // Short texts take a quicker road than long ones; both must land on the same double.
    for (const char* digits : {"39,9", "0,1", "123456,789", "1,234951", "0,000123", "98765432109876,5"}) {
        std::string longer = std::string(digits) + "000000000000000000000";
        EXPECT_EQ(parsePrice(digits, ',').value, parsePrice(longer, ',').value) << digits;
        EXPECT_EQ(parsePrice(std::string(digits) + "E2", ',').value, parsePrice(longer + "E2", ',').value) << digits;
    }
}

} // namespace
