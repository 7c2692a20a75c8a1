#include "report/engine/ErrorBox.h"

#include "report/engine/TextMeasure.h"

#include <QStringList>

#include <algorithm>

namespace quorvel::report {

namespace {

// The frame is a 1 pt line inside the box's edge; the text keeps 2 pt from it.
constexpr double kFramePt = 1;
constexpr double kPaddingPt = 2;

/// `text` broken into lines no wider than `width`.
QStringList wrap(const QString& text, double width, const FontSpec& font, TextMeasure& measure)
{
    QStringList lines;
    QString line;
    auto fits = [&](const QString& s) { return measure.widthPt(font, s) <= width; };
    for (QString word : text.split(u' ', Qt::SkipEmptyParts)) {
        const QString joined = line.isEmpty() ? word : line + u' ' + word;
        if (fits(joined)) {
            line = joined;
            continue;
        }
        if (!line.isEmpty())
            lines << line;
        line.clear();
        // A word wider than the box is cut where it no longer fits, one character at least.
        while (!word.isEmpty() && !fits(word)) {
            qsizetype n = 1;
            while (n < word.size() && fits(word.left(n + 1)))
                ++n;
            lines << word.left(n);
            word = word.mid(n);
        }
        line = word;
    }
    if (!line.isEmpty())
        lines << line;
    return lines;
}

} // namespace

FontSpec errorBoxFont()
{
    return FontSpec{QStringLiteral("Helvetica"), 6, false, false};
}

void appendErrorBox(std::vector<PageItem>& items, const SymbolItem& at, const Symbol& symbol, std::uint32_t font,
                    TextMeasure& measure)
{
    const double w = symbol.widthPt > 0 ? symbol.widthPt : 72;
    const double h = symbol.heightPt > 0 ? symbol.heightPt : 36;
    const double half = kFramePt / 2;
    items.emplace_back(RectItem{at.xPt + half, at.yPt + half, std::max(w - kFramePt, 0.0), std::max(h - kFramePt, 0.0),
                                kFramePt, Rgb{}, true, Rgb{255, 255, 255}});
    const FontSpec face = errorBoxFont();
    const double bottom = at.yPt + h - kFramePt;
    double baseline = at.yPt + kPaddingPt + measure.ascentPt(face);
    const double descent = measure.descentPt(face), step = measure.lineSpacingPt(face);
    bool first = true;
    for (const QString& line :
         wrap(QStringLiteral("Bar code error: ") + symbol.error, w - 2 * kPaddingPt, face, measure)) {
        if (!first && baseline + descent > bottom)
            break;
        items.emplace_back(TextItem{at.xPt + kPaddingPt, baseline, font, Rgb{}, 0, line});
        baseline += step;
        first = false;
    }
}

} // namespace quorvel::report
