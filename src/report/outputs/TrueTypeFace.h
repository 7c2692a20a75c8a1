// What a PDF needs to reference a TrueType font without embedding it: its name, its descriptor's
// metrics and its glyphs' advance widths, read from the font file's own tables. Every metric is
// in thousandths of the em, cut towards zero as PDF writers have long done, so a file's widths
// and descriptor stay the same from one version of this program to the next.
#pragma once

#include <QByteArray>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quorvel::report {

class TrueTypeFace
{
public:
    /// The face in `file`; empty when it is not a TrueType font this writer can reference (an
    /// OpenType file with PostScript outlines, a missing table, no Unicode character map).
    static std::optional<TrueTypeFace> load(const QByteArray& file);

    /// The PostScript name, with ",<style>" after it unless the style is a regular one.
    const std::string& baseName() const { return m_baseName; }
    int flags() const { return m_flags; }
    int ascent() const { return m_ascent; }
    int descent() const { return m_descent; }
    int capHeight() const { return m_capHeight; }
    int xHeight() const { return m_xHeight; }
    /// left, bottom, right, top
    const std::array<int, 4>& boundingBox() const { return m_bbox; }
    /// The width of the glyph a character without one is drawn with; 0 when it has none.
    int missingWidth() const { return m_missingWidth; }
    /// The advance of the glyph `unicode` maps to (the missing glyph's when none).
    int width(char16_t unicode) const;

private:
    std::uint16_t glyph(char16_t unicode) const;
    int scaled(int units) const { return units * 1000 / m_unitsPerEm; }

    std::string m_baseName;
    int m_flags = 32;
    int m_ascent = 0, m_descent = 0, m_capHeight = 0, m_xHeight = 0, m_missingWidth = 0;
    std::array<int, 4> m_bbox{};
    int m_unitsPerEm = 1000;
    std::vector<std::uint16_t> m_advances;   ///< by glyph, in font units
    // The format 4 character map: segments' ends, starts, deltas and range offsets, then the
    // glyph array they point into.
    std::vector<std::uint16_t> m_ends, m_starts, m_rangeOffsets, m_glyphArray;
    std::vector<std::int16_t> m_deltas;
};

} // namespace quorvel::report
