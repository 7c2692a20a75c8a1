#include "report/ui/PrinterDevice.h"

#include "report/engine/PageDescription.h"
#include "report/outputs/PagePainter.h"
#include "table/Failure.h"

#include <QPageLayout>
#include <QPainter>
#include <QPrinter>

#include <algorithm>
#include <memory>

namespace quorvel::report {

namespace {

void applyPage(QPrinter& printer, const Page& page)
{
    const bool landscape = page.widthPt > page.heightPt;
    const QSizeF portrait(std::min(page.widthPt, page.heightPt), std::max(page.widthPt, page.heightPt));
    printer.setPageOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    printer.setPageSize(QPageSize(portrait, QPageSize::Point));
    printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Point);
}

bool samePaper(const Page& a, const Page& b) { return a.widthPt == b.widthPt && a.heightPt == b.heightPt; }

QString unusable(const QString& path) { return QStringLiteral("The printer \"%1\" cannot be used").arg(path); }

std::unique_ptr<QPrinter> openPrinter(const QString& pdfPath)
{
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(pdfPath);
    return printer;
}

} // namespace

PrinterDevice::PrinterDevice(QString pdfPath)
    : m_pdfPath(std::move(pdfPath))
{
}

PrinterDevice PrinterDevice::pdfFile(const QString& path) { return PrinterDevice(path); }

bool PrinterDevice::supportsMultipleCopies() const { return openPrinter(m_pdfPath)->supportsMultipleCopies(); }

void PrinterDevice::printJob(const PageDescription& doc, const std::vector<std::size_t>& pages, int copies,
                             const QString& jobName)
{
    if (pages.empty())
        return;
    const auto printer = openPrinter(m_pdfPath);
    printer->setDocName(jobName);
    printer->setCreator(QStringLiteral("Quorvel"));
    printer->setCopyCount(std::max(copies, 1));
    printer->setFullPage(true);
    if (doc.print.quality > 0)
        printer->setResolution(doc.print.quality);
    // The paper in the printer, by its size: a page read from the run is not kept for long.
    const Page& firstPage = doc.pages.at(pages.front());
    Page paper{firstPage.widthPt, firstPage.heightPt, {}};
    applyPage(*printer, paper);

    QPainter painter;
    if (!painter.begin(printer.get()))
        throw Failure(unusable(m_pdfPath));
    bool first = true;
    for (const std::size_t index : pages) {
        const Page& page = doc.pages.at(index);
        if (!first) {
            if (!samePaper(page, paper)) {
                applyPage(*printer, page);
                paper = Page{page.widthPt, page.heightPt, {}};
            }
            if (!printer->newPage()) {
                painter.end();
                throw Failure(unusable(m_pdfPath));
            }
        }
        first = false;
        painter.save();
        painter.scale(printer->resolution() / 72.0, printer->resolution() / 72.0);
        paintPage(painter, doc, page);
        painter.restore();
    }
    if (!painter.end())
        throw Failure(unusable(m_pdfPath));
}

} // namespace quorvel::report
