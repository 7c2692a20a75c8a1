// Field definitions and the value of one field of a pending row.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quorvel::table {

enum class FieldType : std::uint8_t {
    Text,      ///< single-byte text of at most `width` bytes
    Fixed,     ///< signed fixed-point decimal: `precision` digits, `scale` of them after the point
    Integer,   ///< 32-bit signed integer
    Currency,  ///< currency amount held as a double
};

struct FieldDef
{
    std::string name;
    FieldType type = FieldType::Text;
    int width = 0;       ///< Text: bytes kept (at most 255)
    bool required = false;
    int precision = 14;  ///< Fixed only
    int scale = 2;       ///< Fixed only
};

struct Value
{
    bool null = true;
    std::string text;          ///< Text
    std::int64_t number = 0;   ///< Integer, and Fixed in units of 10^-scale
    double real = 0;           ///< Currency
};

} // namespace quorvel::table
