#include "labels/PriceRule.h"

#include <array>
#include <cerrno>
#include <cstdint>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <locale.h>
#include <string>

namespace quorvel::labels {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Powers of ten that extended precision holds exactly (5^27 still fits its 64-bit mantissa).
constexpr auto kPowers = [] {
    std::array<long double, 28> p{};
    long double v = 1;
    for (auto& x : p) {
        x = v;
        v *= 10;
    }
    return p;
}();

// strtold follows setlocale(); the text is validated here and handed over in the C form.
locale_t cLocale()
{
    static locale_t c = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    return c;
}

} // namespace

PriceValue parsePrice(std::string_view s, char separator)
{
    PriceValue result;
    std::size_t i = 0;
    while (i < s.size() && s[i] == ' ')
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        negative = s[i++] == '-';
    const std::size_t mantissaStart = i;
    std::size_t digits = 0;
    std::size_t significant = 0;     // digits after the leading zeros
    long fractionDigits = 0;
    std::uint64_t mantissa = 0;
    bool seenSeparator = false;
    for (; i < s.size(); ++i) {
        if (isDigit(s[i])) {
            ++digits;
            if (seenSeparator)
                ++fractionDigits;
            if (significant > 0 || s[i] != '0') {
                if (++significant <= 19)
                    mantissa = mantissa * 10 + static_cast<unsigned>(s[i] - '0');
            }
        } else if (s[i] == separator && !seenSeparator) {
            seenSeparator = true;
        } else {
            break;
        }
    }
    if (digits == 0 && !seenSeparator)
        return result;
    const std::size_t mantissaEnd = i;
    std::size_t exponentStart = i;
    std::size_t exponentEnd = i;
    bool negativeExponent = false;
    long exponent = 0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-'))
            negativeExponent = s[i++] == '-';
        exponentStart = i;
        for (; i < s.size() && isDigit(s[i]); ++i)
            if (exponent < 1000000000L)
                exponent = exponent * 10 + (s[i] - '0');
        exponentEnd = i;   // no digits: exponent 0
    }
    while (i < s.size() && s[i] == ' ')
        ++i;
    if (i != s.size())
        return result;

    long double extended = 0;
    long scale = (negativeExponent ? -exponent : exponent) - fractionDigits;
    if (significant <= 19 && scale >= -27 && scale <= 27) {
        // Both operands are exact in extended precision, so one rounded operation gives the
        // correctly rounded extended value, as the general conversion below would.
        extended = static_cast<long double>(mantissa);
        if (mantissa != 0)
            extended = scale < 0 ? extended / kPowers[-scale] : extended * kPowers[scale];
        // Fifteen significant digits survive the trip through a double and back to fifteen
        // digits: the double lies within a fifth of a step of that grid, the extended
        // rounding on the way included.
        std::uint64_t shortDigits = mantissa;
        long shortScale = scale;
        while (shortDigits != 0 && shortDigits % 10 == 0) {
            shortDigits /= 10;
            ++shortScale;
        }
        if (shortDigits < 1'000'000'000'000'000ULL) {
            result.decimal = table::Decimal{static_cast<std::int64_t>(shortDigits) * (negative ? -1 : 1),
                                            shortDigits == 0 ? 0 : static_cast<int>(shortScale)};
        }
    } else {
        std::string plain = "0";
        for (std::size_t k = mantissaStart; k < mantissaEnd; ++k)
            plain.push_back(s[k] == separator ? '.' : s[k]);
        if (exponentEnd > exponentStart) {
            plain += negativeExponent ? "e-" : "e";
            plain.append(s.substr(exponentStart, exponentEnd - exponentStart));
        }
        errno = 0;
        char* end = nullptr;
        extended = strtold_l(plain.c_str(), &end, cLocale());
        if (end != plain.c_str() + plain.size())
            return result;
        if (errno == ERANGE && std::isinf(extended))
            return result;   // beyond the extended range
    }
    if (negative)
        extended = -extended;
    double value = static_cast<double>(extended);
    if (std::isinf(value)) {
        result.status = PriceValue::Status::Overflow;
        return result;
    }
    result.status = PriceValue::Status::Valid;
    result.value = value;
    return result;
}

} // namespace quorvel::labels
