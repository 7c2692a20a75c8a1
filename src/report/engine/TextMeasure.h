// Text measurement in points for alignment and shrink-to-fit, in the faces the font resolver
// picks (FontResolver.h), which are the faces the painter and the PDF draw.
// Needs a QGuiApplication.
#pragma once

#include "report/engine/FontResolver.h"
#include "report/engine/PageDescription.h"

#include <QFont>
#include <QFontMetricsF>

#include <array>
#include <memory>
#include <unordered_map>
#include <vector>

namespace quorvel::report {

class TextMeasure
{
public:
    double widthPt(const FontSpec& font, const QString& text);
    double ascentPt(const FontSpec& font);
    double descentPt(const FontSpec& font);
    /// From one baseline to the next: ascent, descent and the face's leading.
    double lineSpacingPt(const FontSpec& font);

private:
    /// One family and style measured at the reference size; sizes scale from it.
    struct Face
    {
        QString family;
        bool bold = false, italic = false;
        std::unique_ptr<QFontMetricsF> metrics;
        double ascent = 0, descent = 0, lineSpacing = 0;
        /// Widths already measured: labels repeat their texts, and shaping is the costly part.
        std::unordered_map<QString, double> widths;
        /// Advances of the characters that widthPt adds up; negative until measured.
        std::array<double, 128> advances;
    };
    Face& face(const FontSpec& font);
    /// The width of a text of digits, capitals and common signs as the sum of its characters'
    /// advances, which is what shaping gives them without kerning; < 0 for any other text.
    static double summedWidth(Face& face, const QString& text);

    /// A run uses a handful of faces; each keeps its address.
    std::vector<std::unique_ptr<Face>> m_faces;
};

} // namespace quorvel::report
