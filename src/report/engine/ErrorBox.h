// What a page shows in place of a bar code that could not be encoded: a white box framed in
// black at the symbol's place and size, holding "Bar code error: " and the error text wrapped
// to it, so a wrong code is never printed and the operator sees why. Layout decides it once,
// as ordinary items; the outputs draw those and nothing for a symbol that carries an error.
#pragma once

#include "report/engine/PageDescription.h"

#include <cstdint>
#include <vector>

namespace quorvel::report {

class TextMeasure;

/// The font the error text is written in.
FontSpec errorBoxFont();

/// Appends the box of `symbol` (one with an error), placed by `at`, to `items`: the frame, then
/// one text item per line in `font`, an index into the page description's fonts that holds
/// errorBoxFont(). Lines break between words, and inside a word too long for the box; lines
/// that would reach past the box's bottom are left out, all but the first.
void appendErrorBox(std::vector<PageItem>& items, const SymbolItem& at, const Symbol& symbol, std::uint32_t font,
                    TextMeasure& measure);

} // namespace quorvel::report
