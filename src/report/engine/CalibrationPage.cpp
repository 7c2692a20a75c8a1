#include "report/engine/CalibrationPage.h"

#include "report/engine/Definition.h"
#include "report/engine/Length.h"
#include "report/engine/PageLayout.h"

#include <algorithm>
#include <cmath>

namespace quorvel::report {

namespace {

double pt(double mm)
{
    return Length::fromMm(mm).pt();
}

/// The page (and the label on it) the calibration page takes its size from.
struct LabelStock
{
    Length width, height;
    int quality = 0;
};

LabelStock labelStock(const Definition& def)
{
    const PageDef* first = nullptr;
    for (const ReportDef& report : def.reports)
        for (const PageEntry& entry : report.pages)
            if (const PageDef* page = entryPage(def, entry)) {
                if (page->region)
                    return {page->region->labelWidth, page->region->labelHeight, page->print.quality};
                if (!first)
                    first = page;
            }
    if (first)
        return {first->width, first->height, first->print.quality};
    const Definition blank = Definition::blank();
    const PageDef& page = std::get<PageDef>(blank.reports.front().pages.front().page);
    return {page.width, page.height, 0};
}

void line(Page& page, double x1Mm, double y1Mm, double x2Mm, double y2Mm)
{
    page.items.push_back(LineItem{pt(x1Mm), pt(y1Mm), pt(x2Mm), pt(y2Mm), pt(CalibrationMarks::kLineMm), Rgb{}});
}

void text(Page& page, double xMm, double baselineMm, const QString& value)
{
    page.items.push_back(TextItem{pt(xMm), pt(baselineMm), 0, Rgb{}, 0, value});
}

double tickMm(int mm)
{
    return mm % 10 == 0 ? CalibrationMarks::kTick10Mm : mm % 5 == 0 ? CalibrationMarks::kTick5Mm : CalibrationMarks::kTickMm;
}

} // namespace

PageDescription calibrationPage(const Definition& def)
{
    using M = CalibrationMarks;
    const LabelStock stock = labelStock(def);
    const double w = stock.width.mm(), h = stock.height.mm();

    PageDescription doc;
    doc.title = QStringLiteral("Calibration");
    doc.print.paperName = QStringLiteral("Custom");
    doc.print.orientation = w > h ? Orientation::Landscape : Orientation::Portrait;
    doc.print.quality = stock.quality;
    doc.print.copies = 1;
    for (const PrinterDef& printer : def.printers)
        doc.queueOffsets.push_back(QueueOffset{printer.queue, printer.offsetX.pt(), printer.offsetY.pt()});
    doc.fonts.push_back(FontSpec{QStringLiteral("Helvetica"), 5, false, false});

    Page& page = doc.pages.emplace_back();
    page.widthPt = stock.width.pt();
    page.heightPt = stock.height.pt();
    const double half = M::kLineMm / 2;
    page.items.push_back(RectItem{pt(half), pt(half), pt(w - M::kLineMm), pt(h - M::kLineMm), pt(M::kLineMm), Rgb{}, false, Rgb{}});

    // The ruler: a tick every millimetre, longer every 5 and 10, numbered every 10.
    for (int mm = 1; mm < w; ++mm) {
        line(page, mm, 0, mm, tickMm(mm));
        if (mm % 10 == 0)
            text(page, mm + 0.4, 2.9, QString::number(mm));
    }
    for (int mm = 1; mm < h; ++mm) {
        line(page, 0, mm, tickMm(mm), mm);
        if (mm % 10 == 0)
            text(page, 1.2, mm + 2.3, QString::number(mm));
    }

    // Labels too small for the usual inset keep their crosses apart.
    const double inset = std::min({M::kCrossInsetMm, w / 4, h / 4});
    const double arm = std::min(M::kCrossArmMm, inset / 2);
    for (const double cx : {inset, w - inset})
        for (const double cy : {inset, h - inset}) {
            line(page, cx - arm, cy, cx + arm, cy);
            line(page, cx, cy - arm, cx, cy + arm);
        }
    text(page, inset + arm + 1, h / 2, QStringLiteral("%1 x %2 mm").arg(w).arg(h));
    return doc;
}

} // namespace quorvel::report
