// The table's number conversions on arbitrary text: never crash, and agree with each other and
// with the standard library wherever their rules overlap.
#include "table/Numbers.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void fail(const char* what, std::string_view text)
{
    std::fprintf(stderr, "%s: \"%.*s\"\n", what, static_cast<int>(text.size()), text.data());
    std::abort();
}

// Plain decimal integers are what std::from_chars reads too (apart from the '+' and blanks).
void checkInteger(std::string_view text)
{
    auto parsed = quorvel::table::parseInteger(text);
    std::string_view s = text;
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    if (s.starts_with('+')) {
        s.remove_prefix(1);
        if (s.starts_with('-'))
            return;
    }
    std::string plain(s);
    if (plain.find_first_of("$xX") != std::string::npos)
        return;
    std::int32_t reference = 0;
    auto [end, ec] = std::from_chars(plain.data(), plain.data() + plain.size(), reference);
    bool referenceOk = !plain.empty() && ec == std::errc() && end == plain.data() + plain.size();
    if (referenceOk != parsed.has_value() || (referenceOk && reference != *parsed))
        fail("parseInteger disagrees with from_chars", text);
}

void checkFixed(std::string_view text, char separator, int scale)
{
    auto units = quorvel::table::parseFixed(text, separator, scale);
    if (!units)
        return;
    std::string shown = quorvel::table::formatFixed(*units, scale, separator);
    auto again = quorvel::table::parseFixed(shown, separator, scale);
    if (!again || *again != *units)
        fail("formatFixed does not read back", text);
    auto value = quorvel::table::parseDouble(text, separator);
    if (!value)
        fail("parseFixed accepts what parseDouble refuses", text);
    double step = std::pow(10.0, -scale);
    double fixed = static_cast<double>(*units) * step;
    // Rounded twice: to four decimals, then to the scale.
    double tolerance = step / 2 + (scale < 4 ? 0.5e-4 : 0) + std::fabs(*value) * 4e-16;
    if (std::fabs(fixed - *value) > tolerance)
        fail("parseFixed and parseDouble disagree", text);
}

void checkDouble(std::string_view text, char separator)
{
    auto value = quorvel::table::parseDouble(text, separator);
    if (!value)
        return;
    if (!std::isfinite(*value))
        fail("parseDouble gives a non-finite value", text);
    std::string shown = quorvel::table::formatGeneral(*value, separator);
    auto again = quorvel::table::parseDouble(shown, separator);
    if (!again)
        fail("formatGeneral does not read back", text);
    if (std::fabs(*again - *value) > std::fabs(*value) * 1e-14)
        fail("formatGeneral loses more than 15 digits", text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    // The first byte picks the separator and the scale; the rest is the text.
    char separator = (data[0] & 1) ? ',' : '.';
    int scale = (data[0] >> 1) % 5;
    std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    checkInteger(text);
    checkFixed(text, separator, scale);
    checkDouble(text, separator);
    return 0;
}
