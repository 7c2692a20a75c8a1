#include "table/Numbers.h"

#include <QLocale>

#include <charconv>
#include <cstdlib>
#include <limits>

namespace quorvel::table {
namespace {

__extension__ typedef unsigned __int128 Wide;

std::string_view trimBlanks(std::string_view s)
{
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    return s;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

int hexValue(char c)
{
    if (isDigit(c))
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Mantissa digits and decimal exponent of a number written as digits, separator, digits,
// exponent. The value is digits * 10^exponent.
struct DecimalText
{
    bool negative = false;
    std::string digits;
    long exponent = 0;
};

std::optional<DecimalText> splitDecimal(std::string_view s, char separator)
{
    DecimalText d;
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        d.negative = s[i++] == '-';
    std::size_t mantissaDigits = 0;
    long fractionDigits = 0;
    bool seenSeparator = false;
    for (; i < s.size(); ++i) {
        char c = s[i];
        if (isDigit(c)) {
            ++mantissaDigits;
            if (!(d.digits.empty() && c == '0'))
                d.digits.push_back(c);
            if (seenSeparator)
                ++fractionDigits;
        } else if (c == separator && !seenSeparator) {
            seenSeparator = true;
        } else {
            break;
        }
    }
    if (mantissaDigits == 0)
        return std::nullopt;
    long exponent = 0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        bool negativeExponent = false;
        if (i < s.size() && (s[i] == '+' || s[i] == '-'))
            negativeExponent = s[i++] == '-';
        std::size_t start = i;
        for (; i < s.size() && isDigit(s[i]); ++i)
            if (exponent < 100000)
                exponent = exponent * 10 + (s[i] - '0');
        if (i == start)
            return std::nullopt;
        if (negativeExponent)
            exponent = -exponent;
    }
    if (i != s.size())
        return std::nullopt;
    // Trailing zeros of the mantissa only move the exponent.
    d.exponent = exponent - fractionDigits;
    while (!d.digits.empty() && d.digits.back() == '0') {
        d.digits.pop_back();
        ++d.exponent;
    }
    return d;
}

// Divides by 10^places, ties to even.
std::int64_t roundDivPow10(std::int64_t value, int places)
{
    if (places <= 0)
        return value;
    std::int64_t divisor = 1;
    for (int i = 0; i < places; ++i)
        divisor *= 10;
    std::int64_t q = value / divisor;
    std::int64_t r = value % divisor;
    std::int64_t twice = (r < 0 ? -r : r) * 2;
    if (twice > divisor || (twice == divisor && (q % 2 != 0)))
        q += value < 0 ? -1 : 1;
    return q;
}

} // namespace

namespace {
thread_local char t_pinnedSeparator = 0;

char localeSeparator()
{
    QString point = QLocale().decimalPoint();
    if (point.isEmpty())
        return '.';
    char c = point.at(0).toLatin1();
    return c == 0 ? '.' : c;
}
} // namespace

char decimalSeparator()
{
    return t_pinnedSeparator != 0 ? t_pinnedSeparator : localeSeparator();
}

DecimalSeparatorScope::DecimalSeparatorScope() : DecimalSeparatorScope(decimalSeparator()) {}

DecimalSeparatorScope::DecimalSeparatorScope(char separator)
    : m_separator(separator), m_previous(t_pinnedSeparator)
{
    t_pinnedSeparator = separator;
}

DecimalSeparatorScope::~DecimalSeparatorScope() { t_pinnedSeparator = m_previous; }

std::optional<std::int32_t> parseInteger(std::string_view s)
{
    std::size_t i = 0;
    while (i < s.size() && s[i] == ' ')
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        negative = s[i++] == '-';
    bool hex = false;
    if (i < s.size() && (s[i] == '$' || s[i] == 'x' || s[i] == 'X')) {
        hex = true;
        ++i;
    } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }
    if (i == s.size())
        return std::nullopt;
    std::uint64_t value = 0;
    for (; i < s.size(); ++i) {
        int digit = hex ? hexValue(s[i]) : (isDigit(s[i]) ? s[i] - '0' : -1);
        if (digit < 0)
            return std::nullopt;
        value = value * (hex ? 16 : 10) + static_cast<std::uint64_t>(digit);
        if (value > 0xFFFFFFFFull)
            return std::nullopt;
    }
    if (hex) {
        auto bits = static_cast<std::uint32_t>(value);
        if (negative)
            bits = 0u - bits;
        return static_cast<std::int32_t>(bits);
    }
    if (negative) {
        if (value > 2147483648ull)
            return std::nullopt;
        return static_cast<std::int32_t>(-static_cast<std::int64_t>(value));
    }
    if (value > 2147483647ull)
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

std::optional<std::int64_t> parseFixed(std::string_view text, char separator, int scale)
{
    text = trimBlanks(text);
    // The usual text, such as "39,9": at most four decimals and no exponent, so the amount in
    // ten-thousandths is exact and only the second rounding remains.
    {
        std::size_t i = 0;
        bool negative = false;
        if (i < text.size() && (text[i] == '+' || text[i] == '-'))
            negative = text[i++] == '-';
        std::int64_t units = 0;
        int digits = 0;
        int decimals = -1;
        for (; i < text.size(); ++i) {
            if (isDigit(text[i])) {
                // Longer texts take the general path below; stop before 64 bits overflow.
                if (digits < 18)
                    units = units * 10 + (text[i] - '0');
                ++digits;
                if (decimals >= 0)
                    ++decimals;
            } else if (text[i] == separator && decimals < 0) {
                decimals = 0;
            } else {
                break;
            }
        }
        if (i == text.size() && digits > 0 && digits <= 14 && decimals <= 4) {
            for (int k = decimals < 0 ? 0 : decimals; k < 4; ++k)
                units *= 10;
            if (negative)
                units = -units;
            return scale >= 4 ? units : roundDivPow10(units, 4 - scale);
        }
    }
    auto d = splitDecimal(text, separator);
    if (!d)
        return std::nullopt;
    // units of 10^-4 = digits * 10^(exponent + 4), rounded half to even.
    long shift = d->exponent + 4;
    std::string kept = d->digits;
    bool roundUp = false;
    if (shift < 0) {
        auto drop = static_cast<std::size_t>(-shift);
        char first = '0';
        bool restNonZero = false;
        if (drop > kept.size()) {
            restNonZero = kept.find_first_not_of('0') != std::string::npos;
            kept.clear();
        } else {
            std::size_t cut = kept.size() - drop;
            first = kept[cut];
            restNonZero = kept.find_first_not_of('0', cut + 1) != std::string::npos;
            kept.erase(cut);
        }
        bool lastKeptOdd = !kept.empty() && ((kept.back() - '0') % 2 != 0);
        roundUp = first > '5' || (first == '5' && (restNonZero || lastKeptOdd));
    } else {
        if (!kept.empty()) {
            if (kept.size() + static_cast<std::size_t>(shift) > 20)
                return std::nullopt;
            kept.append(static_cast<std::size_t>(shift), '0');
        }
    }
    if (kept.size() > 19)
        return std::nullopt;
    Wide magnitude = 0;
    for (char c : kept)
        magnitude = magnitude * 10 + static_cast<unsigned>(c - '0');
    if (roundUp)
        magnitude += 1;
    if (magnitude > static_cast<Wide>(std::numeric_limits<std::int64_t>::max()))
        return std::nullopt;
    auto units4 = static_cast<std::int64_t>(magnitude);
    if (d->negative)
        units4 = -units4;
    if (scale >= 4)
        return units4;
    return roundDivPow10(units4, 4 - scale);
}

std::optional<std::int64_t> decimalToFixed(Decimal amount, int scale)
{
    constexpr std::int64_t kLimit = 1'000'000'000'000'000'000;   // 10^18
    if (amount.digits <= -kLimit || amount.digits >= kLimit)
        return std::nullopt;
    // units of 10^-4 = digits * 10^shift, ties to even
    const int shift = amount.exponent + 4;
    std::int64_t units4 = amount.digits;
    if (shift < -18) {
        units4 = 0;   // under half a ten-thousandth, the digits being under 10^18
    } else if (shift < 0) {
        units4 = roundDivPow10(units4, -shift);
    } else {
        for (int i = 0; i < shift; ++i) {
            if (units4 >= kLimit / 10 || units4 <= -kLimit / 10)
                return std::nullopt;
            units4 *= 10;
        }
    }
    return scale >= 4 ? units4 : roundDivPow10(units4, 4 - scale);
}

std::string formatFixed(std::int64_t units, int scale, char separator)
{
    std::string out;
    Wide magnitude = units < 0 ? static_cast<Wide>(-(units + 1)) + 1
                                            : static_cast<Wide>(units);
    Wide divisor = 1;
    for (int i = 0; i < scale; ++i)
        divisor *= 10;
    auto whole = static_cast<std::uint64_t>(magnitude / divisor);
    auto fraction = static_cast<std::uint64_t>(magnitude % divisor);
    if (units < 0)
        out.push_back('-');
    out += std::to_string(whole);
    if (fraction != 0) {
        std::string digits = std::to_string(fraction);
        digits.insert(0, static_cast<std::size_t>(scale) - digits.size(), '0');
        while (!digits.empty() && digits.back() == '0')
            digits.pop_back();
        out.push_back(separator);
        out += digits;
    }
    return out;
}

std::string formatGeneral(double value, char separator)
{
    if (value == 0)
        return "0";
    char buffer[64];
    // The shortest form that reads back as the same double is cheap; when it has at most 15
    // significant digits they are also the value rounded to 15 digits, since a double lies far
    // closer to it than half a step of the 15-digit grid.
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
    if (ec != std::errc())
        return "0";
    std::size_t significant = 0;
    for (const char* c = buffer; c < end && *c != 'e'; ++c)
        significant += isDigit(*c) ? 1 : 0;
    if (significant > 15) {
        auto r = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 14);
        if (r.ec != std::errc())
            return "0";
        end = r.ptr;
    }
    std::string_view s(buffer, static_cast<std::size_t>(end - buffer));
    bool negative = s.front() == '-';
    if (negative)
        s.remove_prefix(1);
    if (s == "inf")
        return negative ? "-INF" : "INF";
    if (s == "nan")
        return "NAN";
    std::size_t e = s.find('e');
    std::string digits;
    for (char c : s.substr(0, e))
        if (isDigit(c))
            digits.push_back(c);
    int exponent = 0;
    std::from_chars(s.data() + e + 1 + (s[e + 1] == '+' ? 1 : 0), s.data() + s.size(), exponent);
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();
    std::string out = negative ? "-" : "";
    if (exponent >= -4 && exponent < 15) {
        if (exponent < 0) {
            out += "0";
            out.push_back(separator);
            out.append(static_cast<std::size_t>(-exponent - 1), '0');
            out += digits;
        } else {
            auto intDigits = static_cast<std::size_t>(exponent) + 1;
            if (digits.size() <= intDigits) {
                out += digits;
                out.append(intDigits - digits.size(), '0');
            } else {
                out += digits.substr(0, intDigits);
                out.push_back(separator);
                out += digits.substr(intDigits);
            }
        }
        return out;
    }
    out.push_back(digits[0]);
    if (digits.size() > 1) {
        out.push_back(separator);
        out += digits.substr(1);
    }
    out += 'E';
    out += std::to_string(exponent);
    return out;
}

std::optional<double> parseDouble(std::string_view text, char separator)
{
    auto d = splitDecimal(trimBlanks(text), separator);
    if (!d)
        return std::nullopt;
    std::string plain = d->digits.empty() ? "0" : d->digits;
    plain += 'e';
    plain += std::to_string(d->exponent);
    double value = 0;
    auto [end, ec] = std::from_chars(plain.data(), plain.data() + plain.size(), value);
    // Too small for a double rounds to zero; only too large is out of range.
    bool underflow = ec == std::errc::result_out_of_range
                     && static_cast<long>(d->digits.size()) + d->exponent <= 0;
    if (underflow)
        value = 0;
    else if (ec != std::errc() || end != plain.data() + plain.size())
        return std::nullopt;
    return d->negative ? -value : value;
}

} // namespace quorvel::table
