#include "report/TextMeasure.h"

#include "report/FontFamilies.h"

namespace quorvel::report {

namespace {
// Measured at a large pixel size, so glyph advances are unhinted and scale linearly.
constexpr double kReferencePx = 1000.0;
} // namespace

QFont toQFont(const FontSpec& spec)
{
    QFont font(screenFamily(spec.family));
    font.setPointSizeF(spec.sizePt);
    font.setBold(spec.bold);
    font.setItalic(spec.italic);
    font.setKerning(false);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

TextMeasure::Face& TextMeasure::face(const FontSpec& spec)
{
    for (const auto& f : m_faces)
        if (f->bold == spec.bold && f->italic == spec.italic && f->family == spec.family)
            return *f;
    QFont font = toQFont(spec);
    font.setPixelSize(static_cast<int>(kReferencePx));
    auto f = std::make_unique<Face>();
    f->family = spec.family;
    f->bold = spec.bold;
    f->italic = spec.italic;
    f->metrics = std::make_unique<QFontMetricsF>(font);
    f->ascent = f->metrics->ascent();
    f->descent = f->metrics->descent();
    m_faces.push_back(std::move(f));
    return *m_faces.back();
}

double TextMeasure::widthPt(const FontSpec& font, const QString& text)
{
    // Bounded, so a run of many different texts does not keep them all.
    constexpr std::size_t kMaxWidths = 1 << 16;
    Face& f = face(font);
    auto it = f.widths.find(text);
    if (it == f.widths.end()) {
        if (f.widths.size() >= kMaxWidths)
            f.widths.clear();
        it = f.widths.emplace(text, f.metrics->horizontalAdvance(text)).first;
    }
    return it->second * font.sizePt / kReferencePx;
}

double TextMeasure::ascentPt(const FontSpec& font)
{
    return face(font).ascent * font.sizePt / kReferencePx;
}

double TextMeasure::descentPt(const FontSpec& font)
{
    return face(font).descent * font.sizePt / kReferencePx;
}

} // namespace quorvel::report
