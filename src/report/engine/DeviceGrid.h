// The printer's dot grid that layout puts bar codes on. A thermal head prints whole dots only,
// and a rasteriser blackens every dot a shape touches: a bar whose edges fall between dots comes
// out a dot wider and its neighbouring spaces a dot narrower.
#pragma once

#include <cmath>

namespace quorvel::report {

/// The resolution pages are laid out for when neither the definition nor the printer names one.
inline constexpr int kFileDpi = 300;

/// A page's resolution: the definition's `quality`, else the printer's (`deviceDpi`, 0 when not
/// known), else kFileDpi.
inline int layoutDpi(int quality, int deviceDpi)
{
    return quality > 0 ? quality : deviceDpi > 0 ? deviceDpi : kFileDpi;
}

/// One dot of `dpi`, in points.
inline double dotPt(int dpi)
{
    return 72.0 / dpi;
}

/// The whole number of dots nearest to `pt` (points, measured from the page's origin).
inline double wholeDots(double pt, int dpi)
{
    return std::round(pt * dpi / 72.0);
}

} // namespace quorvel::report
