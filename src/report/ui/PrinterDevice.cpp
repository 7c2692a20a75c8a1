#include "report/ui/PrinterDevice.h"

#include "report/engine/PageDescription.h"
#include "report/engine/PageSink.h"
#include "report/outputs/PagePainter.h"
#include "table/Failure.h"

#include <QPageLayout>
#include <QPainter>
#include <QPrinter>

#include <algorithm>
#include <memory>
#include <utility>

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

namespace {

// A job on Qt's printer: the painter starts with the first page, at its size.
class PrinterJob final : public PageSink
{
public:
    PrinterJob(QString pdfPath, QString name, int copies) : m_path(std::move(pdfPath)), m_name(std::move(name)), m_copies(copies) {}

    void begin(const PageDescription& doc) override
    {
        m_printer = openPrinter(m_path);
        m_printer->setDocName(m_name);
        m_printer->setCreator(QStringLiteral("Quorvel"));
        m_printer->setCopyCount(std::max(m_copies, 1));
        m_printer->setFullPage(true);
        if (doc.print.quality > 0)
            m_printer->setResolution(doc.print.quality);
    }

    void add(const PageDescription& doc, const Page& page) override
    {
        if (!m_painter.isActive()) {
            applyPage(*m_printer, page);
            if (!m_painter.begin(m_printer.get()))
                throw Failure(unusable(m_path));
        } else {
            if (!samePaper(page, m_paper))
                applyPage(*m_printer, page);
            if (!m_printer->newPage()) {
                m_painter.end();
                throw Failure(unusable(m_path));
            }
        }
        // The paper in the printer, by its size: a page read from the run is not kept for long.
        m_paper = Page{page.widthPt, page.heightPt, {}};
        m_painter.save();
        m_painter.scale(m_printer->resolution() / 72.0, m_printer->resolution() / 72.0);
        paintPage(m_painter, doc, page);
        m_painter.restore();
    }

    void commit() override
    {
        if (m_painter.isActive() && !m_painter.end())
            throw Failure(unusable(m_path));
    }

    void abandon() noexcept override
    {
        if (m_painter.isActive())
            m_painter.end();
    }

private:
    QString m_path, m_name;
    int m_copies;
    std::unique_ptr<QPrinter> m_printer;
    QPainter m_painter;
    Page m_paper;
};

} // namespace

std::unique_ptr<PageSink> PrinterDevice::job(const QString& jobName, int copies)
{
    return std::make_unique<PrinterJob>(m_pdfPath, jobName, copies);
}

} // namespace quorvel::report
