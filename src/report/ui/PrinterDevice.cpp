#include "report/ui/PrinterDevice.h"

#include "report/PageDescription.h"
#include "report/PagePainter.h"
#include "table/Failure.h"

#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

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

QString unusable(const QString& name)
{
    if (name.isEmpty())
        return QStringLiteral("No printers installed!");
    return QStringLiteral("The printer \"%1\" cannot be used").arg(name);
}

std::unique_ptr<QPrinter> openPrinter(const QString& printerName, const QString& pdfPath)
{
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    if (!pdfPath.isEmpty()) {
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(pdfPath);
        return printer;
    }
    // QPrinter quietly falls back to writing a PDF for a name it does not know.
    if (printerName.isEmpty() || QPrinterInfo::printerInfo(printerName).isNull())
        throw Failure(unusable(printerName));
    printer->setPrinterName(printerName);
    if (printer->outputFormat() != QPrinter::NativeFormat || !printer->isValid())
        throw Failure(unusable(printerName));
    return printer;
}

} // namespace

PrinterDevice::PrinterDevice(QString printerName, QString pdfPath)
    : m_printerName(std::move(printerName))
    , m_pdfPath(std::move(pdfPath))
{
}

PrinterDevice PrinterDevice::queue(const QString& printerName) { return PrinterDevice(printerName, {}); }

PrinterDevice PrinterDevice::pdfFile(const QString& path) { return PrinterDevice({}, path); }

bool PrinterDevice::supportsMultipleCopies() const
{
    try {
        return openPrinter(m_printerName, m_pdfPath)->supportsMultipleCopies();
    } catch (const Failure&) {
        return false;   // printJob reports the printer
    }
}

void PrinterDevice::printJob(const PageDescription& doc, const std::vector<std::size_t>& pages, int copies,
                             const QString& jobName)
{
    if (pages.empty())
        return;
    const auto printer = openPrinter(m_printerName, m_pdfPath);
    printer->setDocName(jobName);
    printer->setCreator(QStringLiteral("Quorvel"));
    printer->setCopyCount(std::max(copies, 1));
    printer->setFullPage(true);
    if (doc.print.quality > 0)
        printer->setResolution(doc.print.quality);
    const Page* paper = &doc.pages.at(pages.front());
    applyPage(*printer, *paper);

    QPainter painter;
    if (!painter.begin(printer.get()))
        throw Failure(unusable(m_pdfPath.isEmpty() ? m_printerName : m_pdfPath));
    bool first = true;
    for (const std::size_t index : pages) {
        const Page& page = doc.pages.at(index);
        if (!first) {
            if (!samePaper(page, *paper)) {
                applyPage(*printer, page);
                paper = &page;
            }
            if (!printer->newPage()) {
                painter.end();
                throw Failure(unusable(m_printerName));
            }
        }
        first = false;
        painter.save();
        painter.scale(printer->resolution() / 72.0, printer->resolution() / 72.0);
        paintPage(painter, doc, index);
        painter.restore();
    }
    if (!painter.end())
        throw Failure(unusable(m_pdfPath.isEmpty() ? m_printerName : m_pdfPath));
}

} // namespace quorvel::report
