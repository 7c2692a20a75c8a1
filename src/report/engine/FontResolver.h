// The one decision of which face draws a definition's font, taken for text measurement, the
// painter and the PDF writer alike, so layout never measures in a face the outputs do not draw.
// The PDF's standard families (Arial, Helvetica, Times, Courier and their names) are its
// base-14 fonts and, on screen and in measurement, their metric-compatible Liberation twins;
// another family is drawn from its installed TrueType file; anything else falls back to sans.
#pragma once

#include "report/engine/PageDescription.h"

#include <QByteArray>
#include <QFont>
#include <QString>

namespace quorvel::report {

enum class StandardFamily { Sans, Serif, Mono };

struct ResolvedFont
{
    /// The installed family Qt measures and paints with.
    QString family;
    /// The TrueType file the PDF references; empty: the PDF's standard font of `standard`.
    QByteArray trueTypeFile;
    StandardFamily standard = StandardFamily::Sans;
    friend bool operator==(const ResolvedFont&, const ResolvedFont&) = default;
};

/// Where `wanted`'s family, bold and italic are drawn from. A family that is not a standard one
/// needs an installed TrueType file of that very family (fontconfig would offer another, and
/// the PDF writer references no other kind of file); without one it is drawn as the standard sans.
/// Thread-safe; each answer is looked up once per process.
ResolvedFont resolveFont(const FontSpec& wanted);

/// A QFont of the resolved family with `wanted`'s size in points, without kerning or hinting, so
/// that glyph advances are those of the PDF's fonts.
QFont toQFont(const FontSpec& wanted);

} // namespace quorvel::report
