// The number rules of a label line: the price field read in extended precision.
#pragma once

#include "table/Numbers.h"

#include <optional>
#include <string_view>

namespace quorvel::labels {

struct PriceValue
{
    enum class Status { Valid, Invalid, Overflow };
    Status status = Status::Invalid;
    double value = 0;
    /// The text's own amount when it has at most 15 significant digits: the general text of
    /// `value` then reads as exactly this amount.
    std::optional<table::Decimal> decimal;
};

/// Blanks, sign, digits, `separator`, digits, an exponent ("E" without digits is exponent 0),
/// blanks. Computed in 80-bit extended precision, then rounded to double. Overflow: beyond the
/// double range; Invalid also for values beyond the extended range.
PriceValue parsePrice(std::string_view text, char separator);

} // namespace quorvel::labels
