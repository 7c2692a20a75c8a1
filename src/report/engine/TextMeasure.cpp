#include "report/engine/TextMeasure.h"

namespace quorvel::report {

namespace {
// Measured at a large pixel size, so glyph advances are unhinted and scale linearly.
constexpr double kReferencePx = 1000.0;

/// Characters no ligature or contextual form of the Liberation faces involves.
bool summable(char16_t c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c != 0 && QStringView(u" ,.-/$%:+#").contains(QChar(c)));
}
} // namespace

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
    f->lineSpacing = f->metrics->lineSpacing();
    f->advances.fill(-1);
    m_faces.push_back(std::move(f));
    return *m_faces.back();
}

double TextMeasure::widthPt(const FontSpec& font, const QString& text)
{
    // Bounded, so a run of many different texts does not keep them all.
    constexpr std::size_t kMaxWidths = 1 << 16;
    Face& f = face(font);
    if (const double summed = summedWidth(f, text); summed >= 0)
        return summed * font.sizePt / kReferencePx;
    auto it = f.widths.find(text);
    if (it == f.widths.end()) {
        if (f.widths.size() >= kMaxWidths)
            f.widths.clear();
        it = f.widths.emplace(text, f.metrics->horizontalAdvance(text)).first;
    }
    return it->second * font.sizePt / kReferencePx;
}

double TextMeasure::summedWidth(Face& f, const QString& text)
{
    // Advances are whole 64ths of a pixel, so their sum in a double is exact and equals the
    // shaped width; a run of distinct codes and references then never shapes a whole text.
    constexpr qsizetype kMaxSummed = 64;
    if (text.size() > kMaxSummed)
        return -1;
    double sum = 0;
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (!summable(u))
            return -1;
        double& advance = f.advances[u];
        if (advance < 0)
            advance = f.metrics->horizontalAdvance(QString(c));
        sum += advance;
    }
    return sum;
}

double TextMeasure::ascentPt(const FontSpec& font)
{
    return face(font).ascent * font.sizePt / kReferencePx;
}

double TextMeasure::descentPt(const FontSpec& font)
{
    return face(font).descent * font.sizePt / kReferencePx;
}

double TextMeasure::lineSpacingPt(const FontSpec& font)
{
    return face(font).lineSpacing * font.sizePt / kReferencePx;
}

} // namespace quorvel::report
