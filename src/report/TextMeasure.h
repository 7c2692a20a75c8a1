// Text measurement in points for alignment and shrink-to-fit. Families map to the metric-
// compatible Liberation fonts as the painter does (FontFamilies.h), so layout agrees with the
// PDF's base-14 fonts and the preview.
// Needs a QGuiApplication.
#pragma once

#include "report/PageDescription.h"

#include <QFont>
#include <QFontMetricsF>

#include <map>
#include <memory>
#include <tuple>

namespace quorvel::report {

/// A QFont for drawing `spec` with its size in points, without kerning or hinting.
QFont toQFont(const FontSpec& spec);

class TextMeasure
{
public:
    double widthPt(const FontSpec& font, const QString& text);
    double ascentPt(const FontSpec& font);
    double descentPt(const FontSpec& font);

private:
    const QFontMetricsF& metrics(const FontSpec& font);
    std::map<std::tuple<QString, bool, bool>, std::unique_ptr<QFontMetricsF>> m_cache;
};

} // namespace quorvel::report
