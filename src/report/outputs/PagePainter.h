// The one painter renderer: draws a page of a page description onto any QPainter.
// The preview, the printer and PNG files all draw through it.
#pragma once

#include "report/engine/PageDescription.h"

#include <cstddef>

class QPainter;

namespace quorvel::report {

/// Draws page `index` (0-based) in points: the caller sets the painter's transform so that one
/// unit is one point (scale by device dots per point). Bars are snapped to whole device pixels
/// under that transform, so codes stay scannable on low-resolution printers. A symbol that could
/// not be encoded is not drawn: layout put its error box on the page as items of its own.
void paintPage(QPainter& painter, const PageDescription& doc, std::size_t index);
/// The same for `page`, drawn with the fonts, symbols and pictures of `doc`.
void paintPage(QPainter& painter, const PageDescription& doc, const Page& page);

} // namespace quorvel::report
