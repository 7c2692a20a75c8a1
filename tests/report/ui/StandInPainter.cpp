// Plain drawing of a page for the windows' tests while the report library has no painter.
#include "report/PagePainter.h"

#include <QPainter>

namespace quorvel::report {

void paintPage(QPainter& painter, const PageDescription& doc, std::size_t index)
{
    const Page& page = doc.pages.at(index);
    for (const PageItem& item : page.items) {
        if (const auto* rect = std::get_if<RectItem>(&item)) {
            const QRectF r(rect->xPt, rect->yPt, rect->widthPt, rect->heightPt);
            if (rect->filled)
                painter.fillRect(r, QColor(rect->fill.r, rect->fill.g, rect->fill.b));
            if (rect->strokePt > 0) {
                painter.setPen(QPen(QColor(rect->stroke.r, rect->stroke.g, rect->stroke.b), rect->strokePt));
                painter.drawRect(r);
            }
        } else if (const auto* line = std::get_if<LineItem>(&item)) {
            painter.setPen(QPen(QColor(line->color.r, line->color.g, line->color.b), line->widthPt));
            painter.drawLine(QPointF(line->x1Pt, line->y1Pt), QPointF(line->x2Pt, line->y2Pt));
        } else if (const auto* text = std::get_if<TextItem>(&item)) {
            const FontSpec& spec = doc.fonts.at(text->font);
            QFont font(spec.family);
            font.setPointSizeF(spec.sizePt);
            font.setBold(spec.bold);
            painter.setFont(font);
            painter.setPen(QColor(text->color.r, text->color.g, text->color.b));
            painter.drawText(QPointF(text->xPt, text->baselinePt), text->text);
        } else if (const auto* placed = std::get_if<SymbolItem>(&item)) {
            const Symbol& symbol = doc.symbols.at(placed->symbol);
            for (const Symbol::Bar& bar : symbol.bars)
                painter.fillRect(QRectF(placed->xPt + bar.xPt, placed->yPt + bar.yPt, bar.widthPt, bar.heightPt),
                                 Qt::black);
        }
    }
}

} // namespace quorvel::report
