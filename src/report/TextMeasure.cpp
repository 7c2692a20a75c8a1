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

const QFontMetricsF& TextMeasure::metrics(const FontSpec& spec)
{
    auto key = std::make_tuple(spec.family, spec.bold, spec.italic);
    auto it = m_cache.find(key);
    if (it == m_cache.end()) {
        QFont font = toQFont(spec);
        font.setPixelSize(static_cast<int>(kReferencePx));
        it = m_cache.emplace(key, std::make_unique<QFontMetricsF>(font)).first;
    }
    return *it->second;
}

double TextMeasure::widthPt(const FontSpec& font, const QString& text)
{
    return metrics(font).horizontalAdvance(text) * font.sizePt / kReferencePx;
}

double TextMeasure::ascentPt(const FontSpec& font)
{
    return metrics(font).ascent() * font.sizePt / kReferencePx;
}

double TextMeasure::descentPt(const FontSpec& font)
{
    return metrics(font).descent() * font.sizePt / kReferencePx;
}

} // namespace quorvel::report
