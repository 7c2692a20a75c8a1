#include "table/Windows1252.h"

#include <array>
#include <cstdint>

namespace quorvel::table {
namespace {

// 0x80 to 0x9F; the rest of the upper half is Latin-1.
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
    std::string out;
    out.reserve(static_cast<std::size_t>(text.size()));
    for (QChar ch : text) {
        char16_t u = ch.unicode();
        char byte = '?';
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            byte = static_cast<char>(u);
        } else {
            for (std::size_t i = 0; i < kHigh.size(); ++i)
                if (kHigh[i] == u)
                    byte = static_cast<char>(0x80 + i);
        }
        out.push_back(byte);
    }
    return out;
}

} // namespace quorvel::table
