#include "labels/PriceRule.h"

#include <cerrno>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <locale.h>
#include <string>

namespace quorvel::labels {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

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
    std::string plain;
    plain.reserve(s.size() + 4);
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        plain.push_back(s[i++]);
    std::size_t digits = 0;
    bool seenSeparator = false;
    for (; i < s.size(); ++i) {
        if (isDigit(s[i])) {
            plain.push_back(s[i]);
            ++digits;
        } else if (s[i] == separator && !seenSeparator) {
            seenSeparator = true;
            plain.push_back('.');
        } else {
            break;
        }
    }
    if (digits == 0 && !seenSeparator)
        return result;
    if (digits == 0)
        plain.push_back('0');   // a lone separator reads as 0
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        std::string exponent = "e";
        if (i < s.size() && (s[i] == '+' || s[i] == '-'))
            exponent.push_back(s[i++]);
        std::size_t start = i;
        for (; i < s.size() && isDigit(s[i]); ++i)
            exponent.push_back(s[i]);
        if (i > start)
            plain += exponent;
    }
    while (i < s.size() && s[i] == ' ')
        ++i;
    if (i != s.size())
        return result;
    if (plain.front() == '.' || ((plain.front() == '+' || plain.front() == '-') && plain[1] == '.'))
        plain.insert(plain.front() == '.' ? 0 : 1, 1, '0');

    errno = 0;
    char* end = nullptr;
    long double extended = strtold_l(plain.c_str(), &end, cLocale());
    if (end != plain.c_str() + plain.size())
        return result;
    if (errno == ERANGE && std::isinf(extended))
        return result;   // beyond the extended range
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
