// Pages of a page description drawn to images by the painter renderer, as a printer would.
#pragma once

#include "report/engine/PageDescription.h"
#include "report/outputs/PagePainter.h"

#include <QImage>
#include <QPainter>

#include <cmath>
#include <cstddef>

namespace quorvel::test {

/// Page `index` drawn on white at `dpi`: one world unit is one point. Without
/// `deviceKnowsDpi` the image carries no resolution, as some devices report none.
inline QImage rasterPage(const report::PageDescription& doc, std::size_t index, double dpi, bool deviceKnowsDpi = true)
{
    const report::Page& page = doc.pages.at(index);
    const double scale = dpi / 72.0;
    QImage image(static_cast<int>(std::ceil(page.widthPt * scale)), static_cast<int>(std::ceil(page.heightPt * scale)),
                 QImage::Format_RGB32);
    if (deviceKnowsDpi) {
        image.setDotsPerMeterX(static_cast<int>(std::lround(dpi / 0.0254)));
        image.setDotsPerMeterY(static_cast<int>(std::lround(dpi / 0.0254)));
    }
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.scale(scale, scale);
    report::paintPage(painter, doc, index);
    painter.end();
    return image;
}

} // namespace quorvel::test
