// Number conversions shared by the tables: text forms under the regional decimal separator.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quorvel::table {

/// The decimal separator of the operator's regional settings at this moment, or the one a
/// DecimalSeparatorScope of this thread has pinned.
char decimalSeparator();

/// Pins decimalSeparator() on this thread for its lifetime. A long import takes the regional
/// setting once: nothing can change it while the GUI thread is busy reading, and asking the
/// locale for every value would cost more than the rest of the row. Scopes nest.
class DecimalSeparatorScope
{
public:
    DecimalSeparatorScope();                 ///< pins the separator of this moment
    explicit DecimalSeparatorScope(char separator);
    ~DecimalSeparatorScope();
    DecimalSeparatorScope(const DecimalSeparatorScope&) = delete;
    DecimalSeparatorScope& operator=(const DecimalSeparatorScope&) = delete;

    char separator() const { return m_separator; }

private:
    char m_separator;
    char m_previous;
};

/// A 32-bit integer: optional leading blanks, optional sign, decimal digits or a hexadecimal
/// prefix ("$", "x", "X", "0x", "0X") and hex digits taken as two's complement; nothing after.
std::optional<std::int32_t> parseInteger(std::string_view text);

/// A decimal amount rounded to `scale` decimals, ties to even, in two steps: first to four
/// decimals, then to `scale`. Accepts blanks around, a sign, digits, the separator, digits and
/// an exponent. Empty optional when the text is not a number or the four-decimal amount does
/// not fit 64 bits.
std::optional<std::int64_t> parseFixed(std::string_view text, char separator, int scale);

/// An exact decimal amount: `digits` x 10^`exponent`.
struct Decimal
{
    std::int64_t digits = 0;
    int exponent = 0;
};

/// The amount rounded as parseFixed rounds a text of it, without the text. Empty optional when
/// the digits or the amount in ten-thousandths would not fit 18 digits.
std::optional<std::int64_t> decimalToFixed(Decimal amount, int scale);

/// Shortest text of an amount in units of 10^-scale: no trailing zeros, no separator when whole.
std::string formatFixed(std::int64_t units, int scale, char separator);

/// The general number form: 15 significant digits, trailing zeros dropped, fixed notation for
/// magnitudes in [1e-4, 1e15), otherwise "1E-5" style.
std::string formatGeneral(double value, char separator);

/// A plain decimal number with the given separator and an optional exponent, as a double.
std::optional<double> parseDouble(std::string_view text, char separator);

} // namespace quorvel::table
