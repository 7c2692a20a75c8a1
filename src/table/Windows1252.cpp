#include "table/Windows1252.h"

#include <array>
#include <cstdint>

namespace quorvel::table {
namespace {

// 0x80 to 0x9F, as the code page defines them (Python's cp1252 and iconv's CP1252 agree); the
// rest of the upper half is Latin-1. The undefined bytes stand for the C1 control of their value.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char16_t unicodeOf(unsigned char b)
{
    return b >= 0x80 && b < 0xA0 ? kHigh[b - 0x80u] : static_cast<char16_t>(b);
}

/// The byte of `u`, or '?' where the code page has none.
char byteOf(char32_t u)
{
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
        return static_cast<char>(u);
    for (std::size_t i = 0; i < kHigh.size(); ++i)
        if (kHigh[i] == u)
            return static_cast<char>(0x80 + i);
    return '?';
}

/// What a font of the code page draws: no control character, C0 or C1, has a glyph.
bool hasGlyph(char32_t u)
{
    return (u >= 0x20 && u < 0x7F) || u >= 0xA0;
}

template<typename Keep>
std::string encode(const QString& text, Keep keep)
{
    std::string out;
    out.reserve(static_cast<std::size_t>(text.size()));
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        char32_t u = text[i].unicode();
        if (QChar::isHighSurrogate(u) && i + 1 < n && text[i + 1].isLowSurrogate()) {
            u = QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        }
        out.push_back(keep(u) ? byteOf(u) : '?');
    }
    return out;
}

} // namespace

QString fromWindows1252(std::string_view bytes)
{
    QString out(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
    QChar* p = out.data();
    for (char c : bytes)
        *p++ = QChar(unicodeOf(static_cast<unsigned char>(c)));
    return out;
}

void appendUtf8FromWindows1252(std::string& out, std::string_view bytes)
{
    for (char c : bytes) {
        auto b = static_cast<unsigned char>(c);
        if (b < 0x80) {
            out.push_back(c);
            continue;
        }
        char16_t u = unicodeOf(b);
        if (u < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (u >> 6)));
            out.push_back(static_cast<char>(0x80 | (u & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xE0 | (u >> 12)));
            out.push_back(static_cast<char>(0x80 | ((u >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (u & 0x3F)));
        }
    }
}

std::string toWindows1252(const QString& text)
{
    return encode(text, [](char32_t) { return true; });
}

std::string toWindows1252Glyphs(const QString& text)
{
    return encode(text, hasGlyph);
}

} // namespace quorvel::table
