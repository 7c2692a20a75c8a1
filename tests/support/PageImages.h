// Pages of a page description drawn to images by the painter renderer, as a printer would.
#pragma once

#include "report/engine/PageDescription.h"
#include "report/outputs/PagePainter.h"
#include "support/QtPrinters.h"

#include <QImage>
#include <QPainter>
#include <QRect>

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

/// The smallest rectangle holding every pixel darker than `darkerThan` (grey level, 0-255).
inline QRect inkBounds(const QImage& image, int darkerThan = 128)
{
    QRect r;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < darkerThan)
                r |= QRect(x, y, 1, 1);
    return r;
}

} // namespace quorvel::test
