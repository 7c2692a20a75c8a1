#include "report/outputs/TrueTypeFace.h"

#include <QFile>
#include <QRawFont>

#include <string_view>

namespace quorvel::report {

namespace {

/// A font table read big-endian; reading past its end marks it bad instead of failing.
class Table
{
public:
    explicit Table(const QByteArray& bytes) : m_bytes(bytes.toStdString()) {}
    bool empty() const { return m_bytes.empty(); }
    bool bad() const { return m_bad; }
    std::size_t size() const { return static_cast<std::size_t>(m_bytes.size()); }
    std::uint16_t u16(std::size_t at) const
    {
        if (at + 2 > size()) {
            m_bad = true;
            return 0;
        }
        return static_cast<std::uint16_t>((static_cast<unsigned char>(m_bytes[at]) << 8) | static_cast<unsigned char>(m_bytes[at + 1]));
    }
    std::int16_t i16(std::size_t at) const { return static_cast<std::int16_t>(u16(at)); }
    std::uint32_t u32(std::size_t at) const { return (std::uint32_t{u16(at)} << 16) | u16(at + 2); }
    unsigned char byte(std::size_t at) const { return static_cast<unsigned char>(u16(at) >> 8); }
    std::string_view bytes(std::size_t at, std::size_t n) const
    {
        if (at + n > size()) {
            m_bad = true;
            return {};
        }
        return std::string_view(m_bytes).substr(at, n);
    }

private:
    std::string m_bytes;
    mutable bool m_bad = false;
};

/// A name record's text: a Macintosh one as it is, a Windows one (UTF-16) by its low bytes.
std::string nameText(std::string_view raw, bool windows)
{
    if (!windows)
        return std::string(raw.substr(0, raw.find('\0')));
    std::string text;
    for (std::size_t i = 1; i < raw.size(); i += 2)
        text += raw[i];
    return text.substr(0, text.find('\0'));
}

/// Viewers do not know a regular face's style in a ",Style" suffix and fall back to another
/// font; the plain name is what they resolve.
void dropRegularStyle(std::string& name)
{
    for (std::string_view suffix : {",Book", ",Regular", ",Roman", ",Normal", ",Medium"})
        if (name.size() > suffix.size() && name.ends_with(suffix)) {
            name.resize(name.size() - suffix.size());
            return;
        }
}

} // namespace

std::optional<TrueTypeFace> TrueTypeFace::load(const QByteArray& file)
{
    const QRawFont raw(QFile::decodeName(file), 12);
    if (!raw.isValid())
        return std::nullopt;
    const Table head(raw.fontTable("head")), maxp(raw.fontTable("maxp")), hhea(raw.fontTable("hhea")),
        cmap(raw.fontTable("cmap")), hmtx(raw.fontTable("hmtx")), loca(raw.fontTable("loca")),
        name(raw.fontTable("name")), os2(raw.fontTable("OS/2")), glyf(raw.fontTable("glyf"));
    for (const Table* t : {&head, &maxp, &hhea, &cmap, &hmtx, &loca, &name, &os2, &glyf})
        if (t->empty())
            return std::nullopt;

    TrueTypeFace f;
    f.m_unitsPerEm = head.u16(18);
    if (f.m_unitsPerEm == 0)
        return std::nullopt;
    f.m_bbox = {f.scaled(head.i16(36)), f.scaled(head.i16(38)), f.scaled(head.i16(40)), f.scaled(head.i16(42))};
    const bool longOffsets = head.i16(50) != 0;
    const unsigned glyphs = maxp.u16(4);
    f.m_ascent = static_cast<std::int16_t>(f.scaled(hhea.i16(4)));
    f.m_descent = static_cast<std::int16_t>(f.scaled(hhea.i16(6)));
    const unsigned metrics = hhea.u16(34);

    // The Windows Unicode map; without one the face is not used.
    if (cmap.u16(0) != 0)
        return std::nullopt;
    std::size_t map = 0;
    for (unsigned i = 0, n = cmap.u16(2); i < n && map == 0; ++i) {
        const std::size_t record = 4 + 8 * std::size_t{i};
        const std::uint32_t at = cmap.u32(record + 4);
        if (cmap.u16(record) == 3 && cmap.u16(record + 2) == 1 && cmap.u16(at) == 4)
            map = at;
    }
    if (map == 0)
        return std::nullopt;
    const unsigned segments = cmap.u16(map + 6) / 2u;
    const std::size_t ends = map + 14, starts = ends + 2 * segments + 2, deltas = starts + 2 * segments,
                      rangeOffsets = deltas + 2 * segments, glyphArray = rangeOffsets + 2 * segments;
    for (unsigned i = 0; i < segments; ++i) {
        f.m_ends.push_back(cmap.u16(ends + 2 * i));
        f.m_starts.push_back(cmap.u16(starts + 2 * i));
        f.m_deltas.push_back(cmap.i16(deltas + 2 * i));
        f.m_rangeOffsets.push_back(cmap.u16(rangeOffsets + 2 * i));
    }
    const std::size_t mapLength = cmap.u16(map + 2);
    for (std::size_t at = glyphArray; at + 2 <= map + mapLength; at += 2)
        f.m_glyphArray.push_back(cmap.u16(at));

    // Advances: glyphs past the last metric repeat its advance.
    std::uint16_t last = 0;
    for (unsigned i = 0; i < glyphs; ++i) {
        if (i < metrics)
            last = hmtx.u16(4 * std::size_t{i});
        f.m_advances.push_back(last);
    }
    f.m_missingWidth = glyphs > 0 ? static_cast<std::int16_t>(f.m_advances[0] * 1000 / f.m_unitsPerEm) : 0;

    // The top of a glyph's box, from its outline's header.
    const auto top = [&](char16_t c) {
        const std::uint16_t gid = f.glyph(c);
        if (gid == 0 || gid >= glyphs)
            return 0;
        const std::size_t at = longOffsets ? loca.u32(4 * std::size_t{gid}) : 2 * std::size_t{loca.u16(2 * std::size_t{gid})};
        return static_cast<int>(static_cast<std::uint16_t>(f.scaled(glyf.i16(at + 8))));
    };
    f.m_capHeight = top(u'H');
    f.m_xHeight = top(u'x');

    // The PostScript name, and the style after a comma unless it is the regular one; the
    // Macintosh records are preferred, the last of each kind counts.
    std::optional<std::string> postScript, style;
    std::optional<std::string> postScriptWindows, styleWindows;
    std::size_t postScriptLength = 0, styleLength = 0;
    const std::size_t strings = name.u16(4);
    for (unsigned i = 0, n = name.u16(2); i < n; ++i) {
        const std::size_t record = 6 + 12 * std::size_t{i};
        const unsigned platform = name.u16(record), encoding = name.u16(record + 2), language = name.u16(record + 4),
                       id = name.u16(record + 6);
        const std::size_t length = name.u16(record + 8);
        const std::string_view text = name.bytes(strings + name.u16(record + 10), length);
        if (platform == 1 && encoding == 0 && (id == 6 || id == 2)) {
            (id == 6 ? postScript : style) = nameText(text, false);
            (id == 6 ? postScriptLength : styleLength) = length;
        } else if (platform == 3 && encoding == 1 && language == 0x0409 && (id == 6 || id == 2)) {
            (id == 6 ? postScriptWindows : styleWindows) = nameText(text, true);
        }
    }
    if (!postScript && postScriptWindows)
        postScriptLength = postScriptWindows->size();
    if (!style && styleWindows)
        styleLength = styleWindows->size();
    if ((!postScript && !postScriptWindows) || (!style && !styleWindows) || postScriptLength + styleLength + 8 > 127)
        return std::nullopt;
    f.m_baseName = postScript ? *postScript : *postScriptWindows;
    const std::string styleName = (style ? *style : *styleWindows).substr(0, styleLength);
    if (!styleName.starts_with("Regular")) {
        f.m_baseName += ',';
        f.m_baseName += styleName.substr(0, styleName.find(' '));
        if (styleName.find("Bold") != std::string::npos)
            f.m_flags |= 262144;   // force bold
        if (styleName.find("Italic") != std::string::npos)
            f.m_flags |= 64;
    }
    dropRegularStyle(f.m_baseName);

    const unsigned familyClass = os2.byte(30);
    if ((familyClass > 0 && familyClass < 6) || familyClass == 7)
        f.m_flags |= 2;   // serif
    if (familyClass == 10)
        f.m_flags |= 8;   // script
    if (familyClass == 12)
        f.m_flags |= 4;   // symbolic

    for (const Table* t : {&head, &maxp, &hhea, &cmap, &hmtx, &loca, &name, &os2, &glyf})
        if (t->bad())
            return std::nullopt;
    return f;
}

std::uint16_t TrueTypeFace::glyph(char16_t unicode) const
{
    std::size_t i = 0;
    while (i < m_ends.size() && unicode > m_ends[i])
        ++i;
    if (i == m_ends.size() || m_starts[i] > unicode)
        return 0;
    if (m_rangeOffsets[i] == 0)
        return static_cast<std::uint16_t>(unicode + m_deltas[i]);
    const std::size_t index = m_rangeOffsets[i] / 2u + (unicode - m_starts[i]) - (m_ends.size() - i);
    if (index >= m_glyphArray.size())
        return 0;
    return static_cast<std::uint16_t>(m_glyphArray[index] + m_deltas[i]);
}

int TrueTypeFace::width(char16_t unicode) const
{
    const std::uint16_t gid = glyph(unicode);
    if (gid >= m_advances.size())
        return m_missingWidth;
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(unsigned{m_advances[gid]} * 1000 / static_cast<unsigned>(m_unitsPerEm)));
}

} // namespace quorvel::report
